#include "analysis/centre.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>

#include "geometry/indices.h"
#include "model/space_group_ops.h"
#include "io/cif.h"
#include "base/format.h"
#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/symmetry.h"
#include "crystal/vector.h"
#include "base/text.h"
#include "base/fail.h"

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

TSuSource SuSourceOf(const TInputSummary& input) {
  if (!input.SuAvailable) return TSuSource::None;
  return input.MatrixLoaded ? TSuSource::Matrix : TSuSource::Cif;
}

// The warning that the input carries no su, for SHELX input without its
// matrix file and for XYZ input.
void NoteMissingSu(const TInputSummary& input, TCentreResult& result) {
  if (input.Kind == TInputKind::Shelx && !input.MatrixLoaded)
    result.Warnings.push_back(ShelxNoSuWarning(input.InputPath));
  else if (input.Kind == TInputKind::Xyz)
    result.Warnings.emplace_back(kXyzNoSuWarning);
}

// The notes on the input that the header shows after the symmetry line.
std::vector<TInputNote> InputNotes(const TInputSummary& input, const TStructure& model) {
  std::vector<TInputNote> notes;
  if (input.Kind == TInputKind::Xyz && input.XyzStructureCount > 1)
    notes.push_back({false, "the file holds " + std::to_string(input.XyzStructureCount) +
                                " structures; the first one is used."});
  if (input.Kind != TInputKind::Cif) return notes;
  if (!input.MissingSymmetryGroup.empty())
    notes.push_back({true, MissingSymmetryWarning(input.MissingSymmetryGroup)});
  if (!input.GeneratedSymmetryNote.empty()) notes.push_back({false, input.GeneratedSymmetryNote});
  if (!model.SkippedSites.empty()) notes.push_back({true, SkippedSitesWarning(model.SkippedSites)});
  return notes;
}

// The centre and its neighbours whose element, read from the label, the
// formula does not contain: each once.
void NoteDoubtfulElements(const TStructure& model, int centralAtom, const TLigArray& neighbours,
                          TCentreResult& result) {
  std::vector<int> atoms = {centralAtom};
  for (const TLigand& neighbour : neighbours)
    if (std::find(atoms.begin(), atoms.end(), neighbour.Site.Atom) == atoms.end())
      atoms.push_back(neighbour.Site.Atom);
  for (int index : atoms) {
    const TAtom& atom = model.Atoms[static_cast<size_t>(index)];
    if (!atom.ElementNotInFormula) continue;
    const std::string warning = ElementNotInFormulaWarning(model, atom);
    result.ElementWarnings.push_back(warning);
    result.Warnings.push_back(warning);
  }
}

// The members of a centroid written "Cg(C1+C2+C3)"; none for another name.
std::vector<std::string> CentroidMembers(const std::string& name) {
  if (name.size() < 5 || !SameTextIgnoringCase(name.substr(0, 3), "Cg(") || name.back() != ')')
    return {};
  std::vector<std::string> members;
  std::string member;
  for (char c : name.substr(3, name.size() - 4)) {
    if (c == '+') {
      if (!member.empty()) members.push_back(member);
      member.clear();
    } else {
      member += c;
    }
  }
  if (!member.empty()) members.push_back(member);
  if (members.size() < 2) Fatal("a centroid needs two members or more: " + name);
  return members;
}

// The ligands by the bond criterion or by name; suffixRemoved is set when a
// ligand name lost an Olex2 suffix.
TLigArray SelectLigands(const TLoadedInput& loaded, const TModelSearch& search,
                        const TCentreRequest& request, int centralAtom,
                        const TLigArray& neighbours, double radius, bool& suffixRemoved,
                        TCentreResult& result) {
  const TAnalysisOptions& options = request.Options;
  const TStructure& model = loaded.Model;
  if (request.LigandNames.empty()) {
    if (options.sphere == TSphereRule::Radii)
      return SelectAutomaticLigands(model, neighbours, model.Atoms[centralAtom].Element,
                                    options.tolerance, options.minOccupancy);
    TSphere sphere = ChemicalSphere(
        model, centralAtom, neighbours, options.tolerance, options.minOccupancy,
        [&search](int atom, double within) { return search.Neighbours(atom, within); });
    result.Excluded = std::move(sphere.Excluded);
    for (TPiGroup& group : sphere.PiGroups) result.Centroids.push_back({"", std::move(group.Members)});
    result.Configuration = std::move(sphere.Configuration);
    return std::move(sphere.Ligands);
  }
  // A centroid is named by its members, "Cg(C1+C2+C3)" (site codes allowed
  // on each): they are looked up with the other names, so that no image is
  // taken twice, and joined again afterwards.
  std::vector<std::string> names;
  std::vector<size_t> groupOf;  // per name: 0 for an atom, k + 1 for the k-th centroid
  size_t centroids = 0;
  for (const std::string& name : request.LigandNames) {
    const std::vector<std::string> members = CentroidMembers(name);
    if (members.empty()) {
      names.push_back(name);
      groupOf.push_back(0);
      continue;
    }
    ++centroids;
    for (const std::string& member : members) {
      names.push_back(member);
      groupOf.push_back(centroids);
    }
  }
  TLigArray found = ResolveNamedLigands(model, neighbours, centralAtom, names, radius,
                                        FileNameOnly(loaded.Input.InputPath), NotFoundNote(loaded),
                                        suffixRemoved);
  if (centroids == 0) return found;
  TLigArray atoms;
  std::vector<TCentreResult::TCentroid> groups(centroids);
  for (size_t i = 0; i < found.size(); ++i) {
    if (groupOf[i] == 0)
      atoms.push_back(found[i]);
    else
      groups[groupOf[i] - 1].Members.push_back(found[i]);
  }
  for (TCentreResult::TCentroid& group : groups) {
    std::stable_sort(group.Members.begin(), group.Members.end(),
                     [](const TLigand& a, const TLigand& b) { return a.Dist < b.Dist; });
    result.Centroids.push_back(std::move(group));
  }
  return atoms;
}

// The centroids of the pi-bonded groups as sites of the model, named Cg1,
// Cg2, ... by distance, and as ligands. A centroid is the mean of its
// members' positions, (1/n) sum R_k x_a(k) + t_k; its coordinate variances
// follow from those of the distinct member atoms a, which it depends on
// through A_a = (1/n) sum of the R_k of a's images (the CIF su are of
// independent coordinates).
// The centroid coordinates as linear combinations of their members', for a
// covariance matrix that knows only the atoms.
struct TCentroidWeights {
  int Atom = -1;  // the centroid's index in the model
  std::map<int, std::array<std::array<double, 3>, 3>> OfMember;  // A_a by member atom
};

// The refinement's covariance matrix extended to the centroids: a centroid
// coordinate c_i = sum_a sum_j A_a[i][j] x_aj (+ constants) is a parameter
// of its own, numbered after the matrix's, whose covariances follow from
// those of its members (so that their correlations count).
class TCentroidCovSource : public TCovSource {
 public:
  TCentroidCovSource(const TCovSource& matrix, std::vector<TCentroidWeights> centroids,
                     int parameterCount)
      : Matrix(matrix), Centroids(std::move(centroids)), First(parameterCount) {}

  int ParamIndex(int atom, int axis) const override {
    for (size_t k = 0; k < Centroids.size(); ++k)
      if (Centroids[k].Atom == atom) return First + 3 * static_cast<int>(k) + axis;
    return Matrix.ParamIndex(atom, axis);
  }

  double Covariance(int i, int j) const override {
    if (i < First && j < First) return Matrix.Covariance(i, j);
    if (i >= First && j < First) return Mixed(i, j);
    if (j >= First && i < First) return Mixed(j, i);
    // Two centroid coordinates: sum over both members' parameters.
    const TCentroidWeights& a = Centroids[static_cast<size_t>((i - First) / 3)];
    const int row = (i - First) % 3;
    double sum = 0;
    for (const auto& [atom, weights] : a.OfMember)
      for (int k = 0; k < 3; ++k) {
        const int p = Matrix.ParamIndex(atom, k);
        if (p >= 0 && weights[static_cast<size_t>(row)][static_cast<size_t>(k)] != 0)
          sum += weights[static_cast<size_t>(row)][static_cast<size_t>(k)] * Mixed(j, p);
      }
    return sum;
  }

 private:
  // Covariance of centroid coordinate i with matrix parameter p.
  double Mixed(int i, int p) const {
    const TCentroidWeights& c = Centroids[static_cast<size_t>((i - First) / 3)];
    const size_t row = static_cast<size_t>((i - First) % 3);
    double sum = 0;
    for (const auto& [atom, weights] : c.OfMember)
      for (int k = 0; k < 3; ++k) {
        const int q = Matrix.ParamIndex(atom, k);
        if (q >= 0) sum += weights[row][static_cast<size_t>(k)] * Matrix.Covariance(q, p);
      }
    return sum;
  }

  const TCovSource& Matrix;
  std::vector<TCentroidWeights> Centroids;
  int First;
};

std::vector<TCentroidWeights> AddCentroids(TStructure& model, int centralAtom,
                                           std::vector<TCentreResult::TCentroid>& centroids,
                                           TLigArray& ligands) {
  const TMat3 cell = CellMatrix(model.Cell);
  const TVec3 centre = SiteToCart(model.FracCoords[static_cast<size_t>(centralAtom)], IdentityOp(), cell);
  struct TPlaced {
    size_t Group;
    TVec3 Frac, Variance;
    double Distance;
    std::map<int, std::array<std::array<double, 3>, 3>> Weights;
  };
  std::vector<TPlaced> placed;
  for (size_t g = 0; g < centroids.size(); ++g) {
    const TLigArray& members = centroids[g].Members;
    const double n = static_cast<double>(members.size());
    TVec3 frac{0, 0, 0};
    std::map<int, std::array<std::array<double, 3>, 3>> weights;  // A_a
    for (const TLigand& member : members) {
      const TVec3& x = model.FracCoords[static_cast<size_t>(member.Site.Atom)];
      auto& a = weights[member.Site.Atom];
      for (int i = 0; i < 3; ++i) {
        double image = member.Site.Op.Trans[i];
        for (int j = 0; j < 3; ++j) {
          image += member.Site.Op.Rot[i][j] * x[j];
          a[i][j] += member.Site.Op.Rot[i][j] / n;
        }
        frac[i] += image / n;
      }
    }
    TVec3 variance{0, 0, 0};
    for (const auto& [atom, a] : weights) {
      const TVec3& su = model.FracSu[static_cast<size_t>(atom)];
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) variance[i] += a[i][j] * a[i][j] * su[j] * su[j];
    }
    const TVec3 cart = MatVec(cell, frac);
    double d2 = 0;
    for (int k = 0; k < 3; ++k) d2 += (cart[k] - centre[k]) * (cart[k] - centre[k]);
    placed.push_back({g, frac, variance, std::sqrt(d2), weights});
  }
  std::stable_sort(placed.begin(), placed.end(),
                   [](const TPlaced& a, const TPlaced& b) { return a.Distance < b.Distance; });
  std::vector<TCentreResult::TCentroid> named;
  std::vector<TCentroidWeights> weights;
  for (size_t k = 0; k < placed.size(); ++k) {
    const TPlaced& p = placed[k];
    TAtom atom;
    atom.Label = "Cg" + std::to_string(k + 1);
    atom.Element = "Cg";
    atom.X = p.Frac[0];
    atom.Y = p.Frac[1];
    atom.Z = p.Frac[2];
    atom.SuX = std::sqrt(p.Variance[0]);
    atom.SuY = std::sqrt(p.Variance[1]);
    atom.SuZ = std::sqrt(p.Variance[2]);
    model.Atoms.push_back(atom);
    model.FracCoords.push_back(p.Frac);
    model.FracSu.push_back({atom.SuX, atom.SuY, atom.SuZ});
    TLigand ligand;
    ligand.Site = TSiteRef{static_cast<int>(model.Atoms.size()) - 1, IdentityOp()};
    ligand.Label = atom.Label;
    ligand.Element = atom.Element;
    ligand.Dist = p.Distance;
    ligands.push_back(ligand);
    named.push_back({atom.Label, std::move(centroids[p.Group].Members)});
    weights.push_back({ligand.Site.Atom, p.Weights});
  }
  centroids = std::move(named);
  return weights;
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
bool HasShapeSection(const TAnalysisOptions& options, size_t cn) {
  return options.shapes && ShapesDefinedFor(static_cast<int>(cn));
}

// Returns true for CN 4 and 5, and with --shapes for CN 2 to 8. Otherwise
// ends the run after the table of the neighbours found, unless the request
// takes such a centre as a result.
bool CheckCoordinationNumber(const TCentreRequest& request, TCentreResult& result) {
  const TLigArray& ligands = result.Ligands;
  const size_t cn = ligands.size();
  if (HasIndexCn(cn) || HasShapeSection(request.Options, cn)) return true;
  const bool named = !request.LigandNames.empty();
  if (!named && !request.OtherCnIsError) return false;
  result.Stage = TCentreStage::NeighbourTable;
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
void AnalyseShapeSection(const TLoadedInput& loaded, const TStructure& sites,
                         const TCovSource* matrix, int centralAtom, const TCentreRequest& request,
                         TCentreResult& result) {
  const TAnalysisOptions& options = request.Options;
  if (!HasShapeSection(options, result.Ligands.size())) return;
  std::vector<const TShapeReference*> references;
  std::string error;
  if (!ChooseCentreShapes(static_cast<int>(result.Ligands.size()), options.shapeLabels,
                          request.ShapeLabelsOfAnyCn, references, error)) {
    if (!error.empty()) Fatal(error);
    return;
  }
  TPolyhedronInput input{sites, centralAtom, result.Ligands};
  if (result.HasIndices) {
    input.Beta = &result.Beta;
    input.Alpha = &result.Alpha;
  }
  input.SuAvailable = loaded.Input.SuAvailable;
  input.Matrix = matrix;
  result.Polyhedron = AnalysePolyhedron(input, references);
  if (result.Polyhedron->Octahedron) {
    const std::string warning = OctahedronWarning(*result.Polyhedron->Octahedron);
    if (!warning.empty()) result.Warnings.push_back(warning);
  }
}

}  // namespace

std::string SkippedSitesWarning(const std::vector<std::string>& labels) {
  constexpr size_t kNamed = 5;
  std::string list;
  for (size_t i = 0; i < labels.size() && i <= kNamed; ++i) {
    if (i > 0) list += ", ";
    list += i < kNamed ? labels[i] : "...";
  }
  // A list cut short ends in its ellipsis.
  return std::to_string(labels.size()) +
         " atom site(s) skipped, coordinates missing or not numbers: " + list +
         (labels.size() > kNamed ? "" : ".");
}

std::string MissingSymmetryWarning(const std::string& spaceGroup) {
  return "no symmetry operators in the data block (space group " + spaceGroup +
         "); only x,y,z is used.";
}

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

void LoadStructureFile(const TAnalysisOptions& options, const TFileSource& files, TLoadedInput& loaded) {
  TInputSummary& input = loaded.Input;
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
  input.MatrixParamCount = loaded.Shelx.ParamCount;
  input.ShelxTitle = loaded.Shelx.Title;
}

void LoadCifFile(const std::string& path, const TFileSource& files, TCifFile& cif) {
  std::string error;
  if (!cif.LoadFromFile(path, error, files)) Fatal(error);
}

void LoadCifBlock(const TCifFile& cif, const TCifBlock& block, TLoadedInput& loaded) {
  TInputSummary& input = loaded.Input;
  input.Kind = TInputKind::Cif;
  input.BlockName = std::string(block.Name());
  input.BlockCount = cif.BlockCount();
  ReadCell(block, loaded.Model);
  const bool operatorsListed = ReadSymmetry(block, loaded.Model);
  ReadAtomSites(block, loaded.Model);
  const auto settleSiteFactors = [&] {
    // An occupancy of 1/k on a k-fold special position, flagged S, is the
    // site factor SHELX refines, not a partial occupancy (a mu3-Cl on a
    // 3-fold axis written 0.33).
    const bool distinct = SymOpsDistinct(loaded.Model.SymOps);
    for (TAtom& atom : loaded.Model.Atoms) {
      if (!atom.SpecialPositionFlag || !(atom.Occ < 1)) continue;
      const int order = SiteSymmetryOrder({atom.X, atom.Y, atom.Z}, loaded.Model.SymOps, distinct);
      if (order > 1 && std::fabs(atom.Occ * order - 1) <= 0.02) atom.Occ = 1;
    }
  };
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
  settleSiteFactors();
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

namespace {

void AnalyseCentreSteps(const TLoadedInput& loaded, const TModelSearch& search, int centralAtom,
                        const TCentreRequest& request, TCentreResult& result) {
  const TStructure& model = loaded.Model;
  const TInputSummary& input = loaded.Input;
  const TAnalysisOptions& options = request.Options;
  const TAtom& centre = model.Atoms[centralAtom];
  result.Centre = centre.Label;
  result.Element = centre.Element;
  result.SuSource = SuSourceOf(input);
  result.ShapesAsked = options.shapes;
  result.Source = input;
  result.Cell = model.Cell;
  result.AtomCount = model.Atoms.size();
  result.OperationCount = model.SymOps.size();
  result.NamedLigandCount = request.LigandNames.size();
  result.Tolerance = options.tolerance;
  result.MinOccupancy = options.minOccupancy;

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

  result.InputNotes = InputNotes(input, model);
  for (const TInputNote& note : result.InputNotes) result.Warnings.push_back(note.Text);
  NoteMissingSu(input, result);
  NoteDoubtfulElements(model, centralAtom, neighbours, result);
  result.Stage = TCentreStage::Header;
  bool suffixRemoved = request.SuffixRemoved;
  result.Sphere = options.sphere;
  TLigArray ligands = SelectLigands(loaded, search, request, centralAtom, neighbours, radius,
                                    suffixRemoved, result);
  if (ligands.empty() && result.Centroids.empty() && request.OtherCnIsError)
    Fatal("no ligands found.");
  result.Stage = TCentreStage::LigandsChosen;
  if (suffixRemoved) {
    result.SuffixRemoved = true;
    result.Warnings.emplace_back(kSuffixRemovedNote);
  }
  // Pi-bonded groups count once, at their centroid: a site of its own in a
  // copy of the model, so that distances, angles and shapes take it as they
  // take an atom.
  std::unique_ptr<TStructure> withCentroids;
  std::unique_ptr<TCentroidCovSource> centroidMatrix;
  const TCovSource* matrix = MatrixOf(loaded);
  if (!result.Centroids.empty()) {
    withCentroids = std::make_unique<TStructure>(model);
    std::vector<TCentroidWeights> weights =
        AddCentroids(*withCentroids, centralAtom, result.Centroids, ligands);
    if (matrix != nullptr) {
      int first = loaded.Shelx.Matrix->ParamCount;
      for (const auto& entry : loaded.Shelx.Matrix->Params) first = std::max(first, entry.first + 1);
      centroidMatrix = std::make_unique<TCentroidCovSource>(*matrix, std::move(weights), first);
      matrix = centroidMatrix.get();
    }
  }
  const TStructure& sites = withCentroids ? *withCentroids : model;
  SortLigandsByDistance(ligands);
  ComputeLigandDistances(sites, centralAtom, ligands, input.SuAvailable, matrix);
  result.Ligands = std::move(ligands);
  AddExcludedDistances(loaded, centralAtom, result.Excluded);
  if (CheckCoordinationNumber(request, result)) {
    const size_t cn = result.Ligands.size();
    result.Stage = TCentreStage::Measured;
    result.Angles = BuildAngles(sites, search.AnglesAt(centre.Label), centralAtom, result.Ligands,
                                options.forceCalc, input.SuAvailable, matrix,
                                result.NonFreeCount);
    if (HasIndexCn(cn)) ComputeIndices(result);
    AnalyseShapeSection(loaded, sites, matrix, centralAtom, request, result);
  }
}

}  // namespace

TCentreResult AnalyseCentre(const TLoadedInput& loaded, const TModelSearch& search,
                            int centralAtom, const TCentreRequest& request) {
  TCentreResult result;
  try {
    AnalyseCentreSteps(loaded, search, centralAtom, request, result);
  } catch (...) {
    result.Error = FailureMessage(std::current_exception());
  }
  return result;
}
