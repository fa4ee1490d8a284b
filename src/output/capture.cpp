#include "output/capture.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <streambuf>

#include "base/text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Further names tried for the temporary capture file when the first one
// already exists: "_1" to this number.
constexpr int kMaxTempSuffix = 99;

bool WriteBytes(std::FILE* file, std::string_view text) {
  return text.empty() || std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

bool WriteFileLine(std::FILE* file, std::string_view text) {
  return WriteBytes(file, text) && WriteBytes(file, kLineEnd);
}

bool CloseFile(std::FILE* file) { return std::fclose(file) == 0; }

// Creates or truncates the file, in binary mode so that the line ends stay kLineEnd.
std::FILE* OpenForWriting(const std::string& path) {
#ifdef _MSC_VER
  std::FILE* file = nullptr;
  return fopen_s(&file, path.c_str(), "wb") == 0 ? file : nullptr;
#else
  return std::fopen(path.c_str(), "wb");
#endif
}

bool EndsInPathDelimiter(const std::string& dir) {
#ifdef _WIN32
  return dir.back() == '\\' || dir.back() == '/';
#else
  return dir.back() == '/';
#endif
}

// TEMP, else TMP, with a path delimiter; "" (the current directory) when
// neither is set.
std::string TemporaryDirectory() {
  std::string dir = EnvironmentValue("TEMP");
  if (dir.empty()) dir = EnvironmentValue("TMP");
  if (dir.empty()) return dir;
#ifdef _WIN32
  if (!EndsInPathDelimiter(dir)) dir += '\\';
#else
  if (!EndsInPathDelimiter(dir)) dir += '/';
#endif
  return dir;
}

long ProcessId() {
#ifdef _WIN32
  return static_cast<long>(_getpid());
#else
  return static_cast<long>(getpid());
#endif
}

std::string TemporaryCapturePath(const std::string& dir, int suffix) {
  std::string name = "vexorin_" + std::to_string(ProcessId());
  if (suffix > 0) name.append("_").append(std::to_string(suffix));
  return dir + name + ".txt";
}

// Creates a new file for writing, owner-only. Never opens an existing file
// and never follows a symbolic link: the temporary directory is shared and
// the name is predictable, so anything already there may have been planted.
std::FILE* CreateExclusive(const std::string& path) {
#ifdef _WIN32
  int fd = -1;
  if (_sopen_s(&fd, path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYNO,
               _S_IREAD | _S_IWRITE) != 0)
    return nullptr;
  std::FILE* file = _fdopen(fd, "wb");
  if (!file) _close(fd);
#else
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (!file) close(fd);
#endif
  return file;
}

// The first of the names "vexorin_<pid>.txt", "vexorin_<pid>_1.txt", ...
// that can be created; path gets the name used, or the first name on failure.
std::FILE* CreateTemporaryCapture(std::string& path) {
  const std::string dir = TemporaryDirectory();
  for (int suffix = 0; suffix <= kMaxTempSuffix; ++suffix) {
    const std::string candidate = TemporaryCapturePath(dir, suffix);
    if (std::FILE* file = CreateExclusive(candidate)) {
      path = candidate;
      return file;
    }
  }
  path = TemporaryCapturePath(dir, 0);
  return nullptr;
}

std::vector<std::string> ReportLines(std::string_view text) {
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(text)) lines.emplace_back(line);
  return lines;
}

// The line and its line end in one piece: with the flush after each line it
// reaches the output in one write, so that the lines of programs writing
// to the same file at once (a parallel survey) do not mix.
void WriteConsoleLine(std::ostream& console, std::string_view text) {
  std::string line;
  line.reserve(text.size() + kLineEnd.size());
  line.append(text).append(kLineEnd);
  console.write(line.data(), static_cast<std::streamsize>(line.size()));
}

bool IsErrorContinuation(std::string_view line) {
  return line.size() >= 7 && line.substr(0, 7) == "       ";
}

}  // namespace

struct TReport::TImpl {
  std::ostream& Console;
  bool Active = false;
  std::FILE* Capture = nullptr;
  std::string CapturePath;
  // The captured report as written to the file. The console copy and the
  // HTML are made from it rather than from reading the file back: an --out
  // such as /dev/zero reads back without end, and the temporary file's name
  // in the shared directory could meanwhile point elsewhere.
  std::string Captured;
  bool CaptureWriteFailed = false;
  bool TemporaryCapture = false;
  std::string HtmlPath;
  std::vector<THtmlSection> HtmlSections;
  bool Brief = false;

  explicit TImpl(std::ostream& console) : Console(console) {}

  void ShowOnConsole(const std::vector<std::string>& lines, std::string_view briefLine) const {
    if (Brief && !briefLine.empty()) {
      WriteConsoleLine(Console, briefLine);
    } else if (Brief) {
      for (const std::string& line : BriefErrorLines(lines)) WriteConsoleLine(Console, line);
    } else {
      for (const std::string& line : lines) WriteConsoleLine(Console, line);
    }
  }
};

TReport::TReport(std::ostream& console) : Impl(std::make_unique<TImpl>(console)) {}

TReport::~TReport() {
  // An unwinding run still distributes what it captured and removes the
  // temporary file; nothing may escape a destructor.
  try {
    EndCapture({});
  } catch (...) {
    if (Impl->TemporaryCapture) std::remove(Impl->CapturePath.c_str());
  }
}

void TReport::Line(std::string_view text) {
  if (Impl->Active) {
    Impl->Captured.append(text).append(kLineEnd);
    if (!WriteFileLine(Impl->Capture, text)) Impl->CaptureWriteFailed = true;
    return;
  }
  WriteConsoleLine(Impl->Console, text);
  Impl->Console.flush();
}

void TReport::Section(const TReportSection& section) {
  const std::vector<std::string> lines = SectionLines(section);
  if (Impl->Active && !Impl->HtmlPath.empty())
    Impl->HtmlSections.push_back({SplitLines(Impl->Captured).size(), lines.size(), SectionHtml(section)});
  for (const std::string& line : lines) Line(line);
}

void TReport::BeginCapture(const TReportFiles& files) {
  if (Impl->Active) return;
  if (files.OutFile.empty() && files.HtmlFile.empty() && !files.Brief) return;
  std::string path;
  std::FILE* file = nullptr;
  if (!files.OutFile.empty()) {
    path = files.OutFile;
    file = OpenForWriting(path);
  } else {
    file = CreateTemporaryCapture(path);
  }
  if (!file) Fatal("cannot write output file: " + path);
  Impl->Capture = file;
  Impl->CapturePath = path;
  Impl->Captured.clear();
  Impl->CaptureWriteFailed = false;
  Impl->TemporaryCapture = files.OutFile.empty();
  Impl->HtmlPath = files.HtmlFile;
  Impl->HtmlSections.clear();
  Impl->Brief = files.Brief;
  Impl->Active = true;
}

bool TReport::EndCapture(std::string_view briefLine) {
  if (!Impl->Active) return true;
  Impl->Active = false;
  const bool captureClosed = CloseFile(Impl->Capture);
  Impl->Capture = nullptr;
  // A full disk shows only here; a text report that lost lines must not pass
  // for a complete one. The temporary file is not the user's, so its loss is
  // of no concern.
  const bool textReportWritten =
      Impl->TemporaryCapture || (captureClosed && !Impl->CaptureWriteFailed);

  const std::vector<std::string> lines = ReportLines(Impl->Captured);
  Impl->Captured.clear();
  const bool htmlWritten = Impl->HtmlPath.empty() || WriteHtmlReport(lines, Impl->HtmlSections, Impl->HtmlPath);
  Impl->ShowOnConsole(lines, briefLine);
  if (!textReportWritten)
    WriteConsoleLine(Impl->Console, "Error: cannot write output file: " + Impl->CapturePath);
  if (!htmlWritten) WriteConsoleLine(Impl->Console, "Error: cannot write HTML file: " + Impl->HtmlPath);
  Impl->Console.flush();
  if (Impl->TemporaryCapture) std::remove(Impl->CapturePath.c_str());
  return textReportWritten && htmlWritten;
}

bool TReport::Capturing() const { return Impl->Active; }

const std::string& TReport::CaptureFile() const { return Impl->CapturePath; }

bool WriteHtmlReport(const std::vector<std::string>& lines, const std::string& path) {
  return WriteHtmlReport(lines, {}, path);
}

bool WriteHtmlReport(const std::vector<std::string>& lines,
                     const std::vector<THtmlSection>& sections, const std::string& path) {
  std::FILE* file = OpenForWriting(path);
  if (!file) return false;
  bool ok = WriteFileLine(file,
                          "<html><head><meta charset=\"utf-8\"><title>Vexorin</title>") &&
            WriteFileLine(file,
                          "<style>body{font-family:sans-serif;font-size:9pt;margin:8px;}"
                          "pre{font-family:Consolas,monospace;font-size:9pt;}</style></head><body>") &&
            WriteFileLine(file, "<pre>");
  size_t next = 0;
  size_t i = 0;
  bool inPre = true;
  while (ok && i < lines.size()) {
    while (next < sections.size() && sections[next].FirstLine < i) ++next;  // overlapping: skipped
    if (next < sections.size() && sections[next].FirstLine == i) {
      if (inPre) ok = WriteFileLine(file, "</pre>");
      for (size_t k = 0; ok && k < sections[next].Html.size(); ++k)
        ok = WriteFileLine(file, sections[next].Html[k]);
      i += sections[next].LineCount;
      ++next;
      inPre = false;
      continue;
    }
    // The empty lines that only part two sections need no block of their own.
    if (!inPre) {
      size_t end = i;
      while (end < lines.size() && lines[end].empty()) ++end;
      if (next < sections.size() && sections[next].FirstLine == end) {
        i = end;
        continue;
      }
      ok = WriteFileLine(file, "<pre>");
      inPre = true;
    }
    ok = ok && WriteFileLine(file, HtmlEscaped(lines[i]));
    ++i;
  }
  if (!inPre) ok = ok && WriteFileLine(file, "<pre>");
  ok = ok && WriteFileLine(file, "</pre></body></html>");
  return CloseFile(file) && ok;
}

std::vector<std::string> BriefErrorLines(const std::vector<std::string>& lines) {
  std::vector<std::string> shown;
  bool inError = false;
  for (const std::string& line : lines) {
    if (StartsWith(line, "Error:")) {
      inError = true;
    } else if (!inError || !IsErrorContinuation(line)) {
      inError = false;
      continue;
    }
    shown.push_back(line);
  }
  return shown;
}
