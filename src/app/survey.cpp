#include "app/survey.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string_view>
#include <unordered_map>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "analysis/centre.h"
#include "analysis/survey.h"
#include "geometry/polyhedron_analysis.h"
#include "output/capture.h"
#include "app/command_line.h"
#include "output/records.h"
#include "output/report.h"
#include "io/cif.h"
#include "crystal/cell.h"
#include "crystal/elements.h"
#include "crystal/vector.h"

namespace {

bool IsNameSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }

bool HasDirectory(const std::string& path) {
#ifdef _WIN32
  return path.find_first_of("/\\:") != std::string::npos;
#else
  return path.find('/') != std::string::npos;
#endif
}

bool LooksLikeAtomNames(const std::string& argument) {
  for (char c : argument)
    if (IsNameSeparator(c)) return true;
  return !HasDirectory(argument) && FileExtension(argument).empty();
}

double SteadySeconds() {
  using TClock = std::chrono::steady_clock;
  return std::chrono::duration<double>(TClock::now().time_since_epoch()).count();
}

std::string TwoDigits(long long value) {
  std::string digits = std::to_string(value);
  if (digits.size() < 2) digits.insert(digits.begin(), '0');
  return digits;
}

// "m:ss", or "h:mm:ss" from one hour on.
std::string ElapsedText(double seconds) {
  const long long whole = seconds > 0 && std::isfinite(seconds) ? static_cast<long long>(seconds) : 0;
  const long long hours = whole / 3600, minutes = whole / 60 % 60, rest = whole % 60;
  if (hours > 0) return std::to_string(hours) + ":" + TwoDigits(minutes) + ":" + TwoDigits(rest);
  return std::to_string(minutes) + ":" + TwoDigits(rest);
}

// The progress line, overwritten in place with a carriage return. Drawn at
// most a few times a second; taken away at the end.
class TSurveyProgress {
 public:
  TSurveyProgress(const TProgressOutput& output, size_t fileCount)
      : Stream(fileCount > 1 ? output.Stream : nullptr),
        SharesTerminal(output.SharesTerminalWithConsole),
        Seconds(output.Seconds ? output.Seconds : SteadySeconds),
        FileCount(fileCount) {
    if (!Stream) return;
    Start = Seconds();
    Draw(Start);
  }
  ~TSurveyProgress() { Hide(); }
  TSurveyProgress(const TSurveyProgress&) = delete;
  TSurveyProgress& operator=(const TSurveyProgress&) = delete;

  // Before a record goes to the terminal that shows the line.
  void MakeWayForRecord() {
    if (SharesTerminal) Hide();
  }

  void FileDone(size_t centres) {
    ++FilesDone;
    Centres += centres;
    if (!Stream) return;
    const double now = Seconds();
    if (!Shown || now - LastDrawn >= kRedrawSeconds || FilesDone == FileCount) Draw(now);
  }

  void Hide() {
    if (!Shown) return;
    std::string blank(Width + 2, ' ');
    blank.front() = '\r';
    blank.back() = '\r';
    Write(blank);
    Shown = false;
  }

 private:
  static constexpr double kRedrawSeconds = 0.2;

  void Draw(double now) {
    std::string text = ProgressText(FilesDone, FileCount, Centres, now - Start);
    const size_t width = text.size();
    if (width < Width) text.append(Width - width, ' ');  // covers a longer line before
    text.insert(text.begin(), '\r');
    Write(text);
    Width = width;
    Shown = true;
    LastDrawn = now;
  }

  void Write(const std::string& text) {
    *Stream << text;
    Stream->flush();
  }

  std::ostream* Stream;
  bool SharesTerminal;
  std::function<double()> Seconds;
  size_t FileCount;
  size_t FilesDone = 0;
  size_t Centres = 0;
  double Start = 0;
  double LastDrawn = 0;
  size_t Width = 0;
  bool Shown = false;
};

// "file: Ni1: CN 4, tau4 = ...", with the block after the file name when
// the file has several, and "file: Ni1: Error: ..." for a failure.
std::string SurveyTextLine(const TCentreResult& result, bool showBlock) {
  std::string line = result.File;
  if (showBlock && result.Block) line += " data_" + *result.Block;
  line += ": ";
  if (!Failed(result)) return line + BriefLine(result);
  if (result.Centre) line += *result.Centre + ": ";
  return line + "Error: " + OneLineMessage(result.Error);
}

struct TSurvey {
  const TCommandLine& Command;
  TReport& Output;
  TSurveyProgress& Progress;
  size_t CentresOfFile = 0;
  bool AnyError = false;

  void Write(const TCentreResult& result, bool showBlock) {
    if (Failed(result)) AnyError = true;
    if (result.Centre) ++CentresOfFile;
    Progress.MakeWayForRecord();
    const TOutputFormat format = Command.Options.format;
    Output.Line(format == TOutputFormat::Text
                    ? SurveyTextLine(result, showBlock)
                    : RecordLine(format, Command.Options.shapes, result));
  }
};

}  // namespace

void CheckSurveyCommand(const TFileSource& files, const TCommandLine& command) {
  for (size_t k = 1; k < command.InputPaths.size(); ++k) {
    const std::string& argument = command.InputPaths[k];
    std::string path;
    TInputKind kind = TInputKind::Cif;
    if (FindInputFile(files, argument, path, kind)) continue;
    if (LooksLikeAtomNames(argument))
      Fatal("--all takes input files only; leave it out to name a central atom");
  }
  CheckShapeLabelsExist(command.Options.shapeLabels);
}

TProgressOutput TerminalProgress() {
  TProgressOutput progress;
#ifdef _WIN32
  const bool stderrTerminal = _isatty(_fileno(stderr)) != 0;
  const bool stdoutTerminal = _isatty(_fileno(stdout)) != 0;
#else
  const bool stderrTerminal = isatty(STDERR_FILENO) != 0;
  const bool stdoutTerminal = isatty(STDOUT_FILENO) != 0;
#endif
  if (stderrTerminal) progress.Stream = &std::cerr;
  progress.SharesTerminalWithConsole = stdoutTerminal;
  return progress;
}

std::string ProgressText(size_t filesDone, size_t fileCount, size_t centres, double seconds) {
  return "vexorin: " + std::to_string(filesDone) + " of " + std::to_string(fileCount) +
         " files, " + std::to_string(centres) + " centres, " + ElapsedText(seconds);
}

int RunSurvey(const TCommandLine& command, const TFileSource& files, TReport& output,
              const TProgressOutput& progress) {
  TSurveyProgress shown(progress, command.InputPaths.size());
  const TElementSet elements = SurveyElements(command.Options.surveyElements);
  TSurvey survey{command, output, shown};
  if (command.Options.format == TOutputFormat::Csv) output.Line(CsvHeader(command.Options.shapes));
  for (const std::string& typedPath : command.InputPaths) {
    survey.CentresOfFile = 0;
    SurveyFile(files, typedPath, command.Options, elements,
               [&survey](const TCentreResult& result, bool showBlock) { survey.Write(result, showBlock); });
    shown.FileDone(survey.CentresOfFile);
  }
  shown.Hide();
  return survey.AnyError ? 2 : 0;
}
