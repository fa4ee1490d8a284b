// The compiled part of the Python module (vexorin._vexorin): the command
// line's checks of the options, the analysis of a named centre and of a
// survey, and the writers of the report and the records, as the program
// runs them. Results cross as the program's own JSON and CSV lines, so that
// a notebook reads the numbers the command line writes; the package around
// it (python/vexorin) turns them into Python values.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "analysis/named_centre.h"
#include "analysis/survey.h"
#include "app/command_line.h"
#include "app/survey.h"
#include "base/fail.h"
#include "base/version.h"
#include "geometry/polyhedron_analysis.h"
#include "geometry/shape_analysis.h"
#include "geometry/shape_references.h"
#include "output/capture.h"
#include "output/records.h"
#include "output/report.h"

namespace py = pybind11;

namespace {

// The command line of a call, checked as the program checks it; a failure
// is a TFatalError with the program's message.
TCommandLine ParsedCall(const std::vector<std::string>& args) {
  std::ostringstream help;
  TCommandLine command;
  if (ParseCommandLine(args, help, command) != TCommandOutcome::Run)
    Fatal("a file and a central atom are needed");
  return command;
}

std::vector<std::string> CentreArguments(const std::string& path, const std::string& centre,
                                         const std::vector<std::string>& ligands,
                                         const std::vector<std::string>& options) {
  std::vector<std::string> args = {path, centre};
  args.insert(args.end(), ligands.begin(), ligands.end());
  args.insert(args.end(), options.begin(), options.end());
  return args;
}

TCentreResult NamedCentre(const TCommandLine& command, bool textReport) {
  TCentreResult result = AnalyseNamedCentre(
      DiskFiles(), {command.InputPath, command.CentralName, command.LigandNames}, command.Options,
      textReport);
  if (Failed(result)) Fatal(OneLineMessage(result.Error));
  return result;
}

// The JSON record of the centre and its CSV header and row.
std::vector<std::string> Analyse(const std::string& path, const std::string& centre,
                                 const std::vector<std::string>& ligands,
                                 const std::vector<std::string>& options) {
  const TCommandLine command = ParsedCall(CentreArguments(path, centre, ligands, options));
  const TCentreResult result = NamedCentre(command, false);
  const bool shapes = command.Options.shapes;
  return {JsonRecord(result), CsvHeader(shapes), CsvRecord(result, shapes)};
}

// The text report, with "\n" line ends.
std::string Report(const std::string& path, const std::string& centre,
                   const std::vector<std::string>& ligands, const std::vector<std::string>& options) {
  const TCommandLine command = ParsedCall(CentreArguments(path, centre, ligands, options));
  const TCentreResult result = NamedCentre(command, true);
  std::ostringstream console;
  {
    TReport report(console);
    PrintCentreReport(report, result);
  }
  const std::string lines = console.str();
  std::string text;
  for (std::string_view line : SplitLines(lines)) text.append(line).append("\n");
  // As the records read them: bytes that are no UTF-8 as Latin-1.
  return ValidUtf8(text);
}

// For each centre of the files: its JSON record and CSV row; first the CSV
// header.
std::vector<std::string> Survey(const std::vector<std::string>& paths,
                                const std::vector<std::string>& options) {
  std::vector<std::string> args = {"--all"};
  args.insert(args.end(), paths.begin(), paths.end());
  args.insert(args.end(), options.begin(), options.end());
  if (paths.empty()) return {CsvHeader(false)};
  const TCommandLine command = ParsedCall(args);
  CheckSurveyArguments(DiskFiles(), command);
  CheckShapeLabelsExist(command.Options.shapeLabels);
  const bool shapes = command.Options.shapes;
  std::vector<std::string> lines = {CsvHeader(shapes)};
  const TElementSet elements = SurveyElements(command.Options.surveyElements);
  for (const std::string& path : command.InputPaths)
    SurveyFile(DiskFiles(), path, command.Options, elements,
               [&](const TCentreResult& result, bool) {
                 lines.push_back(JsonRecord(result));
                 lines.push_back(CsvRecord(result, shapes));
               });
  return lines;
}

const TShapeReference& ReferenceNamed(const std::string& label) {
  std::vector<const TShapeReference*> chosen;
  std::string error;
  for (int cn = 2; cn <= 8; ++cn)
    if (ChooseCentreShapes(cn, {label}, true, chosen, error) && !chosen.empty()) return *chosen.front();
  Fatal("unknown shape: " + label);
}

std::vector<std::array<double, 2>> ShapePath(const std::string& from, const std::string& to, int n) {
  const TShapeReference& a = ReferenceNamed(from);
  const TShapeReference& b = ReferenceNamed(to);
  if (a.CN != b.CN) Fatal("the shapes " + from + " and " + to + " have different CN");
  if (n < 2) Fatal("a path needs n >= 2 points");
  return ShapePathCurve(a, b, n);
}

}  // namespace

PYBIND11_MODULE(_vexorin, m) {
  m.doc() = "The compiled part of vexorin; use the functions of the vexorin package.";
  static py::exception<TFatalError> error(m, "Error", PyExc_ValueError);
  py::register_exception_translator([](std::exception_ptr failure) {
    try {
      if (failure) std::rethrow_exception(failure);
    } catch (const TFatalError& fatal) {
      error(fatal.Message.c_str());
    }
  });
  const auto released = py::call_guard<py::gil_scoped_release>();
  m.def("analyse", &Analyse, released, "JSON record, CSV header and CSV row of one centre.");
  m.def("report", &Report, released, "The text report of one centre.");
  m.def("survey", &Survey, released, "CSV header, then JSON record and CSV row of each centre.");
  m.def("shape_path", &ShapePath, released, "Points (S_from, S_to) of the minimal-distortion path.");
  m.attr("version") = std::string(kProgramVersion);
}
