// Where the report goes: the console, or a capture file that is afterwards
// copied to the console (in full, or only the brief line or the error lines),
// converted to HTML and kept as the text report.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/fail.h"
#include "output/report_table.h"

// Where a run writes its report besides the console.
struct TReportFiles {
  std::string OutFile;   // --out: the text report; "" for none
  std::string HtmlFile;  // --html
  bool Brief = false;    // --brief: the console shows only the brief line
};

class TReport {
 public:
  explicit TReport(std::ostream& console);
  ~TReport();
  TReport(const TReport&) = delete;
  TReport& operator=(const TReport&) = delete;

  // Writes one line (text + kLineEnd) to the report stream.
  void Line(std::string_view text = {});
  // Writes the lines of the section (SectionLines); the HTML file shows it
  // as tables in their place.
  void Section(const TReportSection& section);

  // Starts capturing when --out, --html or --brief is given. Ends the run
  // through Fatal ("cannot write output file: " + path) when the capture file
  // cannot be created.
  void BeginCapture(const TReportFiles& files);

  // Distributes the captured report: HTML file, console (all, brief line or
  // error lines), deletes a temporary capture file. Does nothing when no
  // capture is active. Returns false when the HTML file could not be
  // written; the console has then received the line
  // "Error: cannot write HTML file: " + path. Also false when writing the
  // --out file failed on the way (a full disk); the console has then
  // received "Error: cannot write output file: " + path.
  bool EndCapture(std::string_view briefLine);

  bool Capturing() const;
  const std::string& CaptureFile() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl;
};

// Writes the report lines as an HTML document; false when the file cannot be
// written.
bool WriteHtmlReport(const std::vector<std::string>& lines, const std::string& path);

// A section among the report lines: the lines it stands for and its HTML.
struct THtmlSection {
  size_t FirstLine = 0;
  size_t LineCount = 0;
  std::vector<std::string> Html;
};

// The same with the sections in place of their lines (in line order, not
// overlapping); without sections it is the document above.
bool WriteHtmlReport(const std::vector<std::string>& lines,
                     const std::vector<THtmlSection>& sections, const std::string& path);

// The lines of a failed run that the brief console shows: each line that
// starts with "Error:" and the lines that continue it with 7 blanks.
std::vector<std::string> BriefErrorLines(const std::vector<std::string>& lines);
