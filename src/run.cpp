#include "run.h"

#include <filesystem>
#include <new>
#include <system_error>

#include "capture.h"
#include "cli.h"
#include "coordination.h"
#include "input_shelx.h"
#include "input_xyz.h"
#include "report.h"
#include "structure.h"
#include "ucif.h"
#include "ugeom.h"
#include "utext.h"

namespace {

TInputKind KindFromExtension(const std::string& path) {
  const std::string extension = AsciiLowerCopy(FileExtension(path));
  if (extension == ".res" || extension == ".ins") return TInputKind::Shelx;
  if (extension == ".xyz") return TInputKind::Xyz;
  return TInputKind::Cif;
}

// The named file, or else a .res, .ins or .xyz of the same stem. Returns
// false when none exists.
bool FindInputFile(const std::string& typedPath, std::string& path, TInputKind& kind) {
  if (FileExists(typedPath)) {
    path = typedPath;
    kind = KindFromExtension(typedPath);
    return true;
  }
  const std::string stem = PathWithoutExtension(typedPath);
  for (const char* extension : {".res", ".ins", ".xyz"}) {
    const std::string candidate = stem + extension;
    if (FileExists(candidate)) {
      path = candidate;
      kind = KindFromExtension(candidate);
      return true;
    }
  }
  return false;
}

void ResolveInputFile(const std::string& typedPath, std::string& path, TInputKind& kind) {
  if (FindInputFile(typedPath, path, kind)) return;
  Fatal("file not found: " + typedPath + " - and no " + FileNameOnly(PathWithoutExtension(typedPath)) +
        ".res, .ins or .xyz in the same directory.");
}

bool SameExistingFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

// Refuses report files that would overwrite the structure the run reads:
// the --out file is truncated before the input is read.
void CheckReportFilesSpareInput(const TCommandLine& command) {
  // Without report files the input is looked up once, by the run itself.
  if (command.Options.outFile.empty() && command.Options.htmlFile.empty()) return;
  std::string path;
  TInputKind kind = TInputKind::Cif;
  if (!FindInputFile(command.InputPath, path, kind)) return;
  std::vector<std::string> inputs{path};
  if (kind == TInputKind::Shelx) {
    const std::string matrix = PathWithoutExtension(path) + ".mat";
    if (FileExists(matrix)) inputs.push_back(matrix);
  }
  for (const std::string* reportFile : {&command.Options.outFile, &command.Options.htmlFile}) {
    if (reportFile->empty() || !FileExists(*reportFile)) continue;
    for (const std::string& input : inputs)
      if (SameExistingFile(*reportFile, input))
        Fatal("report file " + *reportFile + " would overwrite the input file " + input + ".");
  }
}

// Everything one analysis holds, from the loaded input to the angle list.
struct TAnalysis {
  const TCommandLine& Command;
  TReport& Report;
  TReportInput Input;
  TStructure Model;
  TCifFile Cif;
  TShelxInput Shelx;
  TXyzInput Xyz;
  int CentralAtom = -1;
  bool SuffixRemoved = false;

  TAnalysis(const TCommandLine& command, TReport& report) : Command(command), Report(report) {}
};

bool NamesSpaceGroupP1(const std::string& name) {
  std::string compact;
  for (char c : name)
    if (static_cast<unsigned char>(c) > 32) compact += c;
  return SameTextIgnoringCase(compact, "P1");
}

void LoadCif(TAnalysis& run) {
  std::string error;
  if (!run.Cif.LoadFromFile(run.Input.InputPath, error)) Fatal(error);
  const TCifBlock& block = ChooseBlock(run.Cif, run.Command.Options.blockName, run.Command.CentralName);
  run.Input.BlockName = std::string(block.Name());
  run.Input.BlockCount = run.Cif.BlockCount();
  ReadCell(block, run.Model);
  if (!ReadSymmetry(block, run.Model)) {
    // Some older CIFs name the space group but list no operators; the
    // identity alone would silently miss every symmetry-related ligand.
    const std::string group = SpaceGroupName(block);
    if (!group.empty() && !NamesSpaceGroupP1(group)) run.Input.MissingSymmetryGroup = group;
  }
  ReadAtomSites(block, run.Model);
  ReadAngleTable(block, run.Model);
}

void LoadInput(TAnalysis& run) {
  switch (run.Input.Kind) {
    case TInputKind::Xyz:
      LoadXyzInput(run.Input.InputPath, run.Command.Options.xyzNaming, run.Model, run.Xyz);
      run.Input.SuAvailable = false;
      run.Input.XyzComment = run.Xyz.Comment;
      run.Input.XyzStructureCount = run.Xyz.StructureCount;
      run.Input.XyzNamingText = XyzNamingText(run.Xyz);
      break;
    case TInputKind::Shelx:
      LoadShelxInput(run.Input.InputPath, run.Model, run.Shelx);
      run.Input.SuAvailable = run.Shelx.SuAvailable;
      run.Input.MatrixLoaded = run.Shelx.MatrixLoaded;
      run.Input.MatrixFileName = run.Shelx.MatrixFileName;
      run.Input.ShelxTitle = run.Shelx.Title;
      break;
    case TInputKind::Cif:
      LoadCif(run);
      break;
  }
}

std::string NotFoundNote(const TAnalysis& run) {
  return run.Input.Kind == TInputKind::Xyz ? XyzNamingNote(run.Xyz) : std::string();
}

void FindCentralAtom(TAnalysis& run) {
  std::string name = run.Command.CentralName;
  int atom = FindAtom(run.Model, name);
  if (atom < 0) {
    bool removed = false;
    name = StripOlexSuffix(name, removed);
    if (removed) run.SuffixRemoved = true;
    atom = FindAtom(run.Model, name);
  }
  if (atom < 0) {
    if (run.Input.Kind == TInputKind::Cif)
      Fatal("central atom \"" + name + "\" not found in data block \"" + run.Input.BlockName +
            "\". Blocks with a structure: " + StructureBlockList(run.Cif));
    Fatal("central atom \"" + name + "\" not found in " + FileNameOnly(run.Input.InputPath) + "." +
          NotFoundNote(run));
  }
  run.CentralAtom = atom;
  run.Input.CentralLabel = run.Model.Atoms[atom].Label;
  run.Input.CentralElement = run.Model.Atoms[atom].Element;
}

void PrintInputNotes(TAnalysis& run) {
  if (run.Input.Kind == TInputKind::Shelx) {
    if (run.Input.MatrixLoaded)
      PrintMatrixLine(run.Report, run.Shelx);
    else
      PrintShelxWarning(run.Report, run.Input.InputPath);
  } else if (run.Input.Kind == TInputKind::Xyz) {
    PrintXyzWarning(run.Report);
  }
}

const TCovSource* MatrixOf(const TAnalysis& run) {
  return run.Input.MatrixLoaded ? run.Shelx.Matrix.get() : nullptr;
}

TLigArray SelectLigands(TAnalysis& run, const TLigArray& neighbours, double radius) {
  const TRunOptions& options = run.Command.Options;
  if (run.Command.LigandNames.empty()) {
    run.Report.Line("Ligands      : automatic (d <= r1 + r2 + " + FormatFixed(options.tolerance, 2) +
                    " A, occupancy >= " + FormatFixed(options.minOccupancy, 2) + ")");
    return SelectAutomaticLigands(run.Model, neighbours, run.Input.CentralElement,
                                  options.tolerance, options.minOccupancy);
  }
  run.Report.Line("Ligands      : specified (" + std::to_string(run.Command.LigandNames.size()) +
                  " atoms)");
  return ResolveNamedLigands(run.Model, neighbours, run.CentralAtom, run.Command.LigandNames,
                             radius, FileNameOnly(run.Input.InputPath), NotFoundNote(run),
                             run.SuffixRemoved);
}

void CheckCoordinationNumber(TAnalysis& run, const TLigArray& ligands) {
  const size_t cn = ligands.size();
  if (cn == 4 || cn == 5) return;
  run.Report.Line();
  run.Report.Line("Neighbours found (" + std::to_string(cn) + "):");
  PrintLigandRows(run.Report, ligands);
  run.Report.Line();
  if (run.Command.LigandNames.empty())
    Fatal("coordination number " + std::to_string(cn) +
          " - tau4/tau5 are defined for CN 4 and 5 only." + std::string(kLineEnd) +
          "       Adjust the tolerance (--tol=) or specify the ligands explicitly.");
  Fatal("exactly 4 (tau4) or 5 (tau5) ligands must be specified.");
}

// From the resolved input to the report body; returns the brief line.
std::string Analyse(const TCommandLine& command, TReport& report) {
  TAnalysis run(command, report);
  ResolveInputFile(command.InputPath, run.Input.InputPath, run.Input.Kind);
  LoadInput(run);
  FindCentralAtom(run);

  const TRunOptions& options = command.Options;
  const bool ligandsNamed = !command.LigandNames.empty();
  const double radius = SearchRadius(run.Model, run.Input.CentralElement, options.tolerance,
                                     options.maxRadius, ligandsNamed);
  CheckSearchRadius(run.Model.Cell, radius);
  const TLigArray neighbours = FindNeighbours(run.Model, run.CentralAtom, radius);

  PrintReportHeader(report, run.Input, run.Model);
  PrintInputNotes(run);
  TLigArray ligands = SelectLigands(run, neighbours, radius);
  if (ligands.empty()) Fatal("no ligands found.");
  if (run.SuffixRemoved)
    report.Line("Note         : Olex2 symmetry suffixes (_$n) removed; the nearest"
                " symmetry image was used in each case.");
  SortLigandsByDistance(ligands);
  ComputeLigandDistances(run.Model, run.CentralAtom, ligands, run.Input.SuAvailable, MatrixOf(run));
  CheckCoordinationNumber(run, ligands);
  report.Line("Coordination number: " + std::to_string(ligands.size()) + "  ->  " +
              (ligands.size() == 4 ? "tau4 / tau4'" : "tau5"));
  const std::vector<TAngleRec> angles =
      BuildAngles(run.Model, run.CentralAtom, ligands, options.forceCalc, run.Input.SuAvailable,
                  MatrixOf(run), run.Input.NonFreeCount);
  return PrintReportBody(report, run.Input, ligands, angles);
}

}  // namespace

int RunVexorin(const std::vector<std::string>& args, std::ostream& console) {
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
    CheckReportFilesSpareInput(command);
    report.BeginCapture(command.Options);
    briefLine = Analyse(command, report);
  } catch (const TFatalError& error) {
    report.Line("Error: " + error.Message);
    status = 2;
  } catch (const std::bad_alloc&) {
    report.Line("Error: unexpected failure: out of memory");
    status = 2;
  } catch (const std::exception& failure) {
    report.Line(std::string("Error: unexpected failure: ") + failure.what());
    status = 2;
  } catch (...) {
    // Anything else thrown inside the run still ends it with the error line
    // in the report and the capture ended.
    report.Line("Error: unexpected failure: internal error");
    status = 2;
  }
  if (!report.EndCapture(briefLine)) status = 2;
  return status;
}
