// Sections of the report that the HTML file shows as tables: a title, then
// tables (a header row and rows of cells) and lines of text, in order. The
// text report prints the same section with the columns of its tables
// aligned.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct TReportTable {
  std::vector<std::string> Header;
  std::vector<bool> RightAligned;  // per column; a column without an entry is left-aligned
  std::vector<std::vector<std::string>> Rows;
};

// A table (when it has a header) or lines of text.
struct TReportPart {
  TReportTable Table;
  std::vector<std::string> Text;
};

struct TReportSection {
  std::string Title;
  std::vector<TReportPart> Parts;
};

TReportPart TablePart(TReportTable table);
TReportPart TextPart(std::vector<std::string> lines);

// The report lines: the title; each table as a header line and one line per
// row, indented by two blanks, the columns two blanks apart and as wide as
// their widest cell; each text line indented by two blanks.
std::vector<std::string> SectionLines(const TReportSection& section);

// The HTML lines: the title in bold, each table as a <table> with a border
// (as the HTML view of Olex2 shows it), the text lines between tables as one
// <pre> block without the empty lines at its ends; every text escaped.
std::vector<std::string> SectionHtml(const TReportSection& section);

// &, < and > as entities.
std::string HtmlEscaped(std::string_view text);
