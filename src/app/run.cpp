#include "app/run.h"

#include <filesystem>
#include <system_error>

#include "analysis/centre.h"
#include "analysis/named_centre.h"
#include "output/capture.h"
#include "app/command_line.h"
#include "geometry/polyhedron_analysis.h"
#include "output/records.h"
#include "output/report.h"
#include "app/survey.h"
#include "io/cif.h"
#include "base/text.h"

namespace {

bool SameExistingFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

// Refuses report files that would overwrite a structure the run reads: the
// --out file is truncated before the input is read.
void CheckReportFilesSpareInput(const TFileSource& files, const TCommandLine& command) {
  // Without report files the input is looked up once, by the run itself.
  if (command.Options.outFile.empty() && command.Options.htmlFile.empty()) return;
  const std::vector<std::string> typed =
      command.Options.surveyAll ? command.InputPaths : std::vector<std::string>{command.InputPath};
  std::vector<std::string> inputs;
  for (const std::string& typedPath : typed) {
    std::string path;
    TInputKind kind = TInputKind::Cif;
    if (!FindInputFile(files, typedPath, path, kind)) continue;
    inputs.push_back(path);
    if (kind == TInputKind::Shelx) {
      const std::string matrix = PathWithoutExtension(path) + ".mat";
      if (files.Exists(matrix)) inputs.push_back(matrix);
    }
  }
  for (const std::string* reportFile : {&command.Options.outFile, &command.Options.htmlFile}) {
    if (reportFile->empty() || !FileExists(*reportFile)) continue;
    for (const std::string& input : inputs)
      if (SameExistingFile(*reportFile, input))
        Fatal("report file " + *reportFile + " would overwrite the input file " + input + ".");
  }
}

// The record of the named centre: the result, or the failure that ended it.
int WriteNamedCentreRecord(const TCommandLine& command, const TFileSource& files,
                           TReport& output) {
  const TCentreResult result = AnalyseNamedCentre(files, CentreQuery(command), command.Options, false);
  if (command.Options.format == TOutputFormat::Csv) {
    output.Line(CsvHeader(command.Options.shapes));
    output.Line(CsvRecord(result, command.Options.shapes));
  } else {
    output.Line(JsonRecord(result));
  }
  return Failed(result) ? 2 : 0;
}

// The report files of the options; records and surveys show every line
// they write, so that --brief changes nothing for them.
TReportFiles ReportFilesOf(const TRunOptions& options, bool brief) {
  return {options.outFile, options.htmlFile, brief && options.brief};
}

}  // namespace

int RunVexorin(const std::vector<std::string>& args, std::ostream& console) {
  return RunVexorin(args, console, DiskFiles());
}

int RunVexorin(const std::vector<std::string>& args, std::ostream& console,
               const TFileSource& files) {
  return RunVexorin(args, console, files, TerminalProgress());
}

int RunVexorin(const std::vector<std::string>& args, std::ostream& console,
               const TFileSource& files, const TProgressOutput& progress) {
  TReport report(console);
  std::string briefLine;
  int status = 0;
  try {
    TCommandLine command;
    switch (ParseCommandLine(args, console, command)) {
      case TCommandOutcome::HelpAsked: return 0;
      case TCommandOutcome::VersionAsked: return 0;
      case TCommandOutcome::TooFew: return 1;
      case TCommandOutcome::Run: break;
    }
    const TRunOptions& options = command.Options;
    if (options.surveyAll) {
      CheckSurveyCommand(files, command);
    }
    CheckReportFilesSpareInput(files, command);
    if (options.surveyAll) {
      report.BeginCapture(ReportFilesOf(options, false));
      status = RunSurvey(command, files, report, progress);
    } else if (options.format != TOutputFormat::Text) {
      report.BeginCapture(ReportFilesOf(options, false));
      status = WriteNamedCentreRecord(command, files, report);
    } else {
      report.BeginCapture(ReportFilesOf(options, true));
      const TCentreResult result = AnalyseNamedCentre(files, CentreQuery(command), options, true);
      PrintCentreReport(report, result);
      if (Failed(result)) Fatal(result.Error);
      briefLine = BriefLine(result);
    }
  } catch (...) {
    report.Line("Error: " + FailureMessage(std::current_exception()));
    status = 2;
  }
  if (!report.EndCapture(briefLine)) status = 2;
  return status;
}
