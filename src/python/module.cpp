// The compiled part of the Python module (vexorin._vexorin): the command
// line's checks of the options, the analysis of a named centre and of a
// survey, and the writers of the report and the records, as the program
// runs them. A record is built by the writer of the JSON records (into
// dicts and lists instead of text), so that a notebook reads the values the
// command line writes; the package around it is python/vexorin.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <sstream>
#include <unordered_map>
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

// A record as Python values, built as the JSON writer writes it: dicts for
// objects, lists for arrays, None for null (and for a number that is no
// finite double, as JSON has it). Needs the GIL. Written against the C API:
// a survey builds some hundred thousand values, and the keys repeat.
class TPythonRecord final : public TRecordSink {
 public:
  py::object Result;

  void Null() override { Add(Py_NewRef(Py_None)); }
  void Boolean(bool value) override { Add(Py_NewRef(value ? Py_True : Py_False)); }
  void Integer(long long value) override { Add(PyLong_FromLongLong(value)); }
  void Number(double value) override {
    Add(std::isfinite(value) ? PyFloat_FromDouble(value) : Py_NewRef(Py_None));
  }
  void Text(std::string_view text) override {
    const std::string utf8 = ValidUtf8(text);
    Add(PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "strict"));
  }
  void BeginArray() override { Open(PyList_New(0), false); }
  void EndArray() override { Opened.pop_back(); }
  void BeginObject() override { Open(PyDict_New(), true); }
  void EndObject() override { Opened.pop_back(); }
  void Key(std::string_view name) override { PendingKey = KeyObject(name); }

 private:
  struct TContainer {
    PyObject* Object;  // borrowed: its parent (or Result) holds it
    bool IsDict;
  };

  // The keys are few and repeat in every record: one interned string each,
  // kept for the life of the module.
  static PyObject* KeyObject(std::string_view name) {
    static std::unordered_map<std::string, PyObject*> keys;
    auto found = keys.find(std::string(name));
    if (found == keys.end())
      found = keys.emplace(std::string(name), PyUnicode_InternFromString(std::string(name).c_str())).first;
    return found->second;
  }

  // Takes the new reference `value`.
  void Add(PyObject* value) {
    if (value == nullptr) throw py::error_already_set();
    if (Opened.empty()) {
      Result = py::reinterpret_steal<py::object>(value);
      return;
    }
    const TContainer& top = Opened.back();
    const int status = top.IsDict ? PyDict_SetItem(top.Object, PendingKey, value)
                                  : PyList_Append(top.Object, value);
    Py_DECREF(value);
    if (status != 0) throw py::error_already_set();
  }
  void Open(PyObject* container, bool isDict) {
    Add(container);
    Opened.push_back({container, isDict});
  }

  std::vector<TContainer> Opened;
  PyObject* PendingKey = nullptr;
};

py::object RecordObject(const TCentreResult& result) {
  TPythonRecord record;
  WriteRecord(result, record);
  return record.Result;
}

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
  TCentreResult result =
      AnalyseNamedCentre(DiskFiles(), CentreQuery(command), command.Options, textReport);
  if (Failed(result)) Fatal(OneLineMessage(result.Error));
  return result;
}

// The record of the centre as Python values, the CSV header and the CSV
// row; the analysis runs without the GIL.
py::tuple Analyse(const std::string& path, const std::string& centre,
                  const std::vector<std::string>& ligands, const std::vector<std::string>& options) {
  TCentreResult result;
  bool shapes = false;
  {
    py::gil_scoped_release released;
    const TCommandLine command = ParsedCall(CentreArguments(path, centre, ligands, options));
    result = NamedCentre(command, false);
    shapes = command.Options.shapes;
  }
  return py::make_tuple(RecordObject(result), CsvHeader(shapes), CsvRecord(result, shapes));
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

// The CSV header, and for each centre of the files its record as Python
// values and its CSV row. The analysis runs without the GIL, which each
// record takes back while it is built.
py::tuple Survey(const std::vector<std::string>& paths, const std::vector<std::string>& options) {
  std::vector<std::string> args = {"--all"};
  args.insert(args.end(), paths.begin(), paths.end());
  args.insert(args.end(), options.begin(), options.end());
  py::list records;
  bool shapes = false;
  if (!paths.empty()) {
    py::gil_scoped_release released;
    const TCommandLine command = ParsedCall(args);
    CheckSurveyCommand(DiskFiles(), command);
    shapes = command.Options.shapes;
    const TElementSet elements = SurveyElements(command.Options.surveyElements);
    for (const std::string& path : command.InputPaths)
      SurveyFile(DiskFiles(), path, command.Options, elements,
                 [&](const TCentreResult& result, bool) {
                   std::string row = CsvRecord(result, shapes);
                   py::gil_scoped_acquire held;
                   records.append(py::make_tuple(RecordObject(result), std::move(row)));
                 });
  }
  return py::make_tuple(CsvHeader(shapes), records);
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
  m.def("analyse", &Analyse, "Record, CSV header and CSV row of one centre.");
  m.def("report", &Report, released, "The text report of one centre.");
  m.def("survey", &Survey, "CSV header, and the record and CSV row of each centre.");
  m.def("shape_path", &ShapePath, released, "Points (S_from, S_to) of the minimal-distortion path.");
  m.attr("version") = std::string(kProgramVersion);
}
