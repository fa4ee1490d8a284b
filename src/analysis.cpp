#include "analysis.h"

#include "indices.h"
#include "space_group_ops.h"
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

bool NamesSpaceGroupP1(const std::string& name) {
  std::string compact;
  for (char c : name)
    if (static_cast<unsigned char>(c) > 32) compact += c;
  return SameTextIgnoringCase(compact, "P1");
}

const TCovSource* MatrixOf(const TLoadedInput& loaded) {
  return loaded.Input.MatrixLoaded ? loaded.Shelx.Matrix.get() : nullptr;
}

TSuSource SuSourceOf(const TReportInput& input) {
  if (!input.SuAvailable) return TSuSource::None;
  return input.MatrixLoaded ? TSuSource::Matrix : TSuSource::Cif;
}

void PrintInputNotes(TReport& report, const TLoadedInput& loaded, TCentreResult& result) {
  const TReportInput& input = loaded.Input;
  if (input.Kind == TInputKind::Shelx) {
    if (input.MatrixLoaded)
      PrintMatrixLine(report, loaded.Shelx);
    else
      result.Warnings.push_back(PrintShelxWarning(report, input.InputPath));
  } else if (input.Kind == TInputKind::Xyz) {
    result.Warnings.push_back(PrintXyzWarning(report));
  }
}

// The centre and its neighbours whose element, read from the label, the
// formula does not contain: each once.
void PrintDoubtfulElements(TReport& report, const TStructure& model, int centralAtom,
                           const TLigArray& neighbours, TCentreResult& result) {
  std::vector<int> atoms = {centralAtom};
  for (const TLigand& neighbour : neighbours)
    if (std::find(atoms.begin(), atoms.end(), neighbour.Site.Atom) == atoms.end())
      atoms.push_back(neighbour.Site.Atom);
  for (int index : atoms) {
    const TAtom& atom = model.Atoms[static_cast<size_t>(index)];
    if (!atom.ElementNotInFormula) continue;
    const std::string warning = ElementNotInFormulaWarning(model, atom);
    report.Line("Warning      : " + warning);
    result.Warnings.push_back(warning);
  }
}

// The ligands by the bond criterion or by name; suffixRemoved is set when a
// ligand name lost an Olex2 suffix.
TLigArray SelectLigands(const TLoadedInput& loaded, const TCentreRequest& request,
                        int centralAtom, const TLigArray& neighbours, double radius,
                        TReport& report, bool& suffixRemoved, TCentreResult& result) {
  const TRunOptions& options = request.Options;
  const TStructure& model = loaded.Model;
  if (request.LigandNames.empty()) {
    report.Line("Ligands      : automatic (d <= r1 + r2 + " + FormatFixed(options.tolerance, 2) +
                " A, occupancy >= " + FormatFixed(options.minOccupancy, 2) + ")");
    if (options.sphere == TSphereRule::Radii)
      return SelectAutomaticLigands(model, neighbours, model.Atoms[centralAtom].Element,
                                    options.tolerance, options.minOccupancy);
    TSphere sphere =
        ChemicalSphere(model, centralAtom, neighbours, options.tolerance, options.minOccupancy);
    if (!sphere.Configuration.empty())
      report.Line("Configuration: " + ConfigurationText(sphere.Configuration));
    result.Excluded = std::move(sphere.Excluded);
    result.Configuration = std::move(sphere.Configuration);
    return std::move(sphere.Ligands);
  }
  report.Line("Ligands      : specified (" + std::to_string(request.LigandNames.size()) +
              " atoms)");
  return ResolveNamedLigands(model, neighbours, centralAtom, request.LigandNames, radius,
                             FileNameOnly(loaded.Input.InputPath), NotFoundNote(loaded),
                             suffixRemoved);
}

// The distances and su of the atoms left out, as the ligands have them.
void AddExcludedDistances(const TLoadedInput& loaded, int centralAtom,
                          std::vector<TExcludedAtom>& excluded) {
  if (excluded.empty()) return;
  TLigArray images;
  for (const TExcludedAtom& atom : excluded) images.push_back(atom.Image);
  ComputeLigandDistances(loaded.Model, centralAtom, images, loaded.Input.SuAvailable,
                         MatrixOf(loaded));
  for (size_t i = 0; i < excluded.size(); ++i) excluded[i].Image = images[i];
  std::stable_sort(excluded.begin(), excluded.end(),
                   [](const TExcludedAtom& a, const TExcludedAtom& b) {
                     return a.Image.Dist < b.Image.Dist;
                   });
}

bool HasIndexCn(size_t cn) { return cn == 4 || cn == 5; }

// --shapes measures the shapes of CN 2 to 8.
bool HasShapeSection(const TRunOptions& options, size_t cn) {
  return options.shapes && ShapesDefinedFor(static_cast<int>(cn));
}

// Returns true for CN 4 and 5, and with --shapes for CN 2 to 8. Otherwise
// prints the neighbour list and ends the run, unless the request takes such
// a centre as a result.
bool CheckCoordinationNumber(const TCentreRequest& request, const TCentreResult& result,
                             TReport& report) {
  const TLigArray& ligands = result.Ligands;
  const size_t cn = ligands.size();
  if (HasIndexCn(cn) || HasShapeSection(request.Options, cn)) return true;
  const bool named = !request.LigandNames.empty();
  if (!named && !request.OtherCnIsError) return false;
  report.Line();
  report.Line("Neighbours found (" + std::to_string(cn) + "):");
  PrintLigandRows(report, ligands);
  report.Line();
  if (!result.Excluded.empty()) {
    PrintExcludedAtoms(report, result.Excluded);
    report.Line();
  }
  const bool shapes = request.Options.shapes;
  if (!named)
    Fatal("coordination number " + std::to_string(cn) +
          (shapes ? " - shape measures are defined for CN 2 to 8."
                  : " - tau4/tau5 are defined for CN 4 and 5 only.") +
          std::string(kLineEnd) +
          "       Adjust the tolerance (--tol=) or specify the ligands explicitly." +
          (result.Excluded.empty()
               ? std::string()
               : std::string(kLineEnd) +
                     "       --sphere=radii also takes the atoms left out above."));
  Fatal(shapes ? "2 to 8 ligands must be specified with --shapes."
               : "exactly 4 (tau4) or 5 (tau5) ligands must be specified.");
}

// beta and alpha, the indices of the CN, and the classification.
void ComputeIndices(TCentreResult& result) {
  result.HasIndices = true;
  result.Beta = result.Angles[0];
  result.Alpha = result.Angles[1];
  const TAngleRec& beta = result.Beta;
  const TAngleRec& alpha = result.Alpha;
  if (result.Ligands.size() == 4) {
    result.Tau4 = Tau4(beta.Angle, beta.Su, alpha.Angle, alpha.Su);
    result.Tau4Prime = Tau4Prime(beta.Angle, beta.Su, alpha.Angle, alpha.Su);
    const TClassification4 shape = Classify4(result.Tau4->Value, result.Tau4Prime->Value);
    result.Shape = shape.Phrase;
    result.WeightsText = shape.WeightsText;
    result.Weights = shape.Weights;
  } else {
    result.Tau5 = Tau5(beta.Angle, beta.Su, alpha.Angle, alpha.Su);
    result.Shape = Classify5(result.Tau5->Value);
  }
}

// The shape section of a centre of CN 2 to 8 with shapes to measure; ends the
// run through Fatal on a label that is not one of the CN (unless labels of
// any CN are taken).
void AnalyseShapeSection(const TLoadedInput& loaded, int centralAtom, const TCentreRequest& request,
                         TCentreResult& result) {
  const TRunOptions& options = request.Options;
  if (!HasShapeSection(options, result.Ligands.size())) return;
  std::vector<const TShapeReference*> references;
  std::string error;
  if (!ChooseCentreShapes(static_cast<int>(result.Ligands.size()), options.shapeLabels,
                          request.ShapeLabelsOfAnyCn, references, error)) {
    if (!error.empty()) Fatal(error);
    return;
  }
  TPolyhedronInput input{loaded.Model, centralAtom, result.Ligands};
  if (result.HasIndices) {
    input.Beta = &result.Beta;
    input.Alpha = &result.Alpha;
  }
  input.SuAvailable = loaded.Input.SuAvailable;
  input.Matrix = MatrixOf(loaded);
  result.Polyhedron = AnalysePolyhedron(input, references);
  if (result.Polyhedron->Octahedron) {
    const std::string warning = OctahedronWarning(*result.Polyhedron->Octahedron);
    if (!warning.empty()) result.Warnings.push_back(warning);
  }
}

}  // namespace

bool FindInputFile(const TFileSource& files, const std::string& typedPath, std::string& path,
                   TInputKind& kind) {
  if (files.Exists(typedPath)) {
    path = typedPath;
    kind = KindFromExtension(typedPath);
    return true;
  }
  const std::string stem = PathWithoutExtension(typedPath);
  for (const char* extension : {".res", ".ins", ".xyz"}) {
    const std::string candidate = stem + extension;
    if (files.Exists(candidate)) {
      path = candidate;
      kind = KindFromExtension(candidate);
      return true;
    }
  }
  return false;
}

void ResolveInputFile(const TFileSource& files, const std::string& typedPath, std::string& path,
                      TInputKind& kind) {
  if (FindInputFile(files, typedPath, path, kind)) return;
  Fatal("file not found: " + typedPath + " - and no " + FileNameOnly(PathWithoutExtension(typedPath)) +
        ".res, .ins or .xyz in the same directory.");
}

std::string NotFoundNote(const TLoadedInput& loaded) {
  return loaded.Input.Kind == TInputKind::Xyz ? XyzNamingNote(loaded.Xyz) : std::string();
}

void LoadStructureFile(const TRunOptions& options, const TFileSource& files, TLoadedInput& loaded) {
  TReportInput& input = loaded.Input;
  if (input.Kind == TInputKind::Xyz) {
    LoadXyzInput(input.InputPath, options.xyzNaming, loaded.Model, loaded.Xyz, files);
    input.SuAvailable = false;
    input.XyzComment = loaded.Xyz.Comment;
    input.XyzStructureCount = loaded.Xyz.StructureCount;
    input.XyzNamingText = XyzNamingText(loaded.Xyz);
    return;
  }
  LoadShelxInput(input.InputPath, loaded.Model, loaded.Shelx, files);
  input.SuAvailable = loaded.Shelx.SuAvailable;
  input.MatrixLoaded = loaded.Shelx.MatrixLoaded;
  input.MatrixFileName = loaded.Shelx.MatrixFileName;
  input.ShelxTitle = loaded.Shelx.Title;
}

void LoadCifFile(const std::string& path, const TFileSource& files, TCifFile& cif) {
  std::string error;
  if (!cif.LoadFromFile(path, error, files)) Fatal(error);
}

void LoadCifBlock(const TCifFile& cif, const TCifBlock& block, TLoadedInput& loaded) {
  TReportInput& input = loaded.Input;
  input.Kind = TInputKind::Cif;
  input.BlockName = std::string(block.Name());
  input.BlockCount = cif.BlockCount();
  ReadCell(block, loaded.Model);
  const bool operatorsListed = ReadSymmetry(block, loaded.Model);
  ReadAtomSites(block, loaded.Model);
  if (!operatorsListed) {
    // Some older CIFs name the space group but list no operators; the
    // identity alone would silently miss every symmetry-related ligand, so
    // the operators come from the symbol.
    const std::string group = SpaceGroupName(block);
    std::optional<TGeneratedSymmetry> generated;
    if (group.empty() || !NamesSpaceGroupP1(group))
      generated = GenerateSymmetry(block, loaded.Model.Cell, loaded.Model.Atoms);
    if (generated && generated->Ops.size() > 1) {
      loaded.Model.SymOps = std::move(generated->Ops);
      input.GeneratedSymmetryNote = generated->Note;
    } else if (!group.empty() && !NamesSpaceGroupP1(group)) {
      input.MissingSymmetryGroup = group;
    }
  }
  loaded.CifBlock = &block;
}

void ReadAnglesAt(TLoadedInput& loaded, const std::vector<int>& centralAtoms) {
  if (loaded.CifBlock == nullptr) return;
  std::vector<std::string> labels;
  labels.reserve(centralAtoms.size());
  for (int atom : centralAtoms) labels.push_back(loaded.Model.Atoms[atom].Label);
  ReadAngleTable(*loaded.CifBlock, loaded.Model, labels);
}

TModelSearch::TModelSearch(TStructure& model, size_t centreCount)
    : ModelRef(model), Largest(LargestCovalentRadius(model)) {
  constexpr size_t kIndexedCentres = 8;
  if (centreCount >= kIndexedCentres) Index.emplace(model);
  for (TCifAngle& angle : model.CifAngles)
    AnglesByApex[AsciiLowerCopy(angle.Label2)].push_back(std::move(angle));
  model.CifAngles.clear();
}

TLigArray TModelSearch::Neighbours(int centralAtom, double radius) const {
  return Index ? Index->Find(centralAtom, radius) : FindNeighbours(ModelRef, centralAtom, radius);
}

const std::vector<TCifAngle>& TModelSearch::AnglesAt(const std::string& label) const {
  static const std::vector<TCifAngle> kNone;
  const auto rows = AnglesByApex.find(AsciiLowerCopy(label));
  return rows == AnglesByApex.end() ? kNone : rows->second;
}

void AnalyseCentre(const TLoadedInput& loaded, const TModelSearch& search, int centralAtom,
                   const TCentreRequest& request, TReport& report, TCentreResult& result) {
  const TStructure& model = loaded.Model;
  const TReportInput& input = loaded.Input;
  const TRunOptions& options = request.Options;
  const TAtom& centre = model.Atoms[centralAtom];
  result.Centre = centre.Label;
  result.Element = centre.Element;
  result.SuSource = SuSourceOf(input);
  result.ShapesAsked = options.shapes;

  const double radius = SearchRadius(search.LargestRadius(), centre.Element, options.tolerance,
                                     options.maxRadius, !request.LigandNames.empty());
  CheckSearchRadius(model.Cell, radius);
  const TLigArray neighbours = search.Neighbours(centralAtom, radius);
  // A record says when the search stopped at its cap; a report of so many
  // neighbours ends in the CN error anyway.
  if (!request.OtherCnIsError && neighbours.size() >= static_cast<size_t>(kMaxNeighbours))
    result.Warnings.push_back("the neighbour search stopped at " + std::to_string(kMaxNeighbours) +
                              " atom images within " + FormatFixed(radius, 2) +
                              " A; the ligands may be incomplete.");

  PrintReportHeader(report, input, model, result);
  PrintInputNotes(report, loaded, result);
  PrintDoubtfulElements(report, model, centralAtom, neighbours, result);
  bool suffixRemoved = request.SuffixRemoved;
  result.Sphere = options.sphere;
  TLigArray ligands = SelectLigands(loaded, request, centralAtom, neighbours, radius, report,
                                    suffixRemoved, result);
  if (ligands.empty() && request.OtherCnIsError) Fatal("no ligands found.");
  if (suffixRemoved) {
    const std::string note =
        "Olex2 symmetry suffixes (_$n) removed; the nearest symmetry image was used in each case.";
    report.Line("Note         : " + note);
    result.Warnings.push_back(note);
  }
  SortLigandsByDistance(ligands);
  ComputeLigandDistances(model, centralAtom, ligands, input.SuAvailable, MatrixOf(loaded));
  result.Ligands = std::move(ligands);
  AddExcludedDistances(loaded, centralAtom, result.Excluded);
  if (CheckCoordinationNumber(request, result, report)) {
    const size_t cn = result.Ligands.size();
    report.Line("Coordination number: " + std::to_string(cn) + "  ->  " +
                (cn == 4 ? "tau4 / tau4'" : cn == 5 ? "tau5" : "shape measures"));
    result.Angles = BuildAngles(model, search.AnglesAt(centre.Label), centralAtom, result.Ligands,
                                options.forceCalc, input.SuAvailable, MatrixOf(loaded),
                                result.NonFreeCount);
    if (HasIndexCn(cn)) ComputeIndices(result);
    AnalyseShapeSection(loaded, centralAtom, request, result);
  }
  result.BriefLine = BriefLine(input, result);
}
