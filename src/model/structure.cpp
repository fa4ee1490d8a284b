#include "model/structure.h"

#include <bitset>
#include <cmath>
#include <unordered_set>

#include "base/fail.h"
#include "io/cif.h"
#include "base/text.h"
#include "crystal/elements.h"

void SyncCoordinates(TStructure& model) {
  model.FracCoords.clear();
  model.FracSu.clear();
  model.FracCoords.reserve(model.Atoms.size());
  model.FracSu.reserve(model.Atoms.size());
  for (const TAtom& atom : model.Atoms) {
    model.FracCoords.push_back(TVec3{atom.X, atom.Y, atom.Z});
    model.FracSu.push_back(TVec3{atom.SuX, atom.SuY, atom.SuZ});
  }
}

std::string StripOlexSuffix(std::string_view name, bool& removed) {
  const std::size_t at = name.find("_$");
  removed = at != std::string_view::npos;
  return std::string(removed ? name.substr(0, at) : name);
}

// ---------------------------------------------------------------- block choice

namespace {

const TCifLoop* AtomSiteLoop(const TCifBlock& block) { return block.FindLoop("_atom_site_label"); }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::string ElementNotInFormulaWarning(const TStructure& model, const TAtom& atom) {
  return "atom " + atom.Label + " is read as " + atom.Element + ", which the formula " +
         model.FormulaSum + " does not contain.";
}

bool HasStructure(const TCifBlock& block) {
  return !IsNullValue(block.GetItem("_cell_length_a")) && AtomSiteLoop(block) != nullptr;
}

bool HasAtomLabel(const TCifBlock& block, std::string_view label) {
  const TCifLoop* loop = AtomSiteLoop(block);
  if (loop == nullptr) return false;
  const int column = loop->ColumnIndex("_atom_site_label");
  const std::size_t rows = loop->RowCount();
  for (std::size_t row = 0; row < rows; ++row)
    if (SameTextIgnoringCase(loop->GetValue(row, column), label)) return true;
  return false;
}

std::string StructureBlockList(const TCifFile& file) {
  std::string list;
  for (int i = 0; i < file.BlockCount(); ++i) {
    const TCifBlock& block = file.Block(i);
    if (!HasStructure(block)) continue;
    if (!list.empty()) list += ", ";
    list += block.Name();
  }
  return list;
}

const TCifBlock& ChooseBlock(const TCifFile& file, const std::string& blockName,
                             const std::string& centralName) {
  if (file.BlockCount() == 0) Fatal("no data block found in the CIF.");
  if (!blockName.empty()) {
    const TCifBlock* block = file.FindBlock(blockName);
    if (block == nullptr)
      Fatal("data block " + Quoted(blockName) + " not found. Available: " + StructureBlockList(file));
    if (!HasStructure(*block))
      Fatal("data block " + Quoted(blockName) + " contains no cell parameters and " +
            "atom sites. Blocks with a structure: " + StructureBlockList(file));
    return *block;
  }
  bool removed = false;
  const std::string label = StripOlexSuffix(centralName, removed);
  const TCifBlock* firstWithStructure = nullptr;
  for (int i = 0; i < file.BlockCount(); ++i) {
    const TCifBlock& block = file.Block(i);
    if (!HasStructure(block)) continue;
    if (HasAtomLabel(block, label)) return block;
    if (firstWithStructure == nullptr) firstWithStructure = &block;
  }
  if (firstWithStructure == nullptr) Fatal("no data block with cell parameters and atom sites found.");
  return *firstWithStructure;
}

// ---------------------------------------------------------------- cell and symmetry

void ReadCellValue(const TCifBlock& block, std::string_view tag, double defaultValue,
                   double& value, double& su) {
  const std::string_view text = block.GetItem(tag);
  if (IsNullValue(text) || !ParseNumberSu(text, value, su)) {
    value = defaultValue;
    su = 0;
  }
}

void ReadCell(const TCifBlock& block, TStructure& model) {
  TCell& cell = model.Cell;
  ReadCellValue(block, "_cell_length_a", 0, cell.A, cell.SuA);
  ReadCellValue(block, "_cell_length_b", 0, cell.B, cell.SuB);
  ReadCellValue(block, "_cell_length_c", 0, cell.C, cell.SuC);
  ReadCellValue(block, "_cell_angle_alpha", 90, cell.Alpha, cell.SuAlpha);
  ReadCellValue(block, "_cell_angle_beta", 90, cell.Beta, cell.SuBeta);
  ReadCellValue(block, "_cell_angle_gamma", 90, cell.Gamma, cell.SuGamma);
  if (!CellIsUsable(cell)) Fatal(std::string(kUnusableCellMessage));
}

bool ReadSymmetry(const TCifBlock& block, TStructure& model) {
  model.SymOps.clear();
  static constexpr std::string_view kTags[] = {"_space_group_symop_operation_xyz",
                                               "_symmetry_equiv_pos_as_xyz",
                                               "_space_group_symop.operation_xyz"};
  if (const TCifLoop* loop = block.FindLoopAny({kTags[0], kTags[1], kTags[2]})) {
    int column = -1;
    for (std::string_view tag : kTags)
      if ((column = loop->ColumnIndex(tag)) != -1) break;
    const std::size_t rows = loop->RowCount();
    for (std::size_t row = 0; row < rows; ++row) {
      const std::string_view text = loop->GetValue(row, column);
      TSymOp op;
      if (IsNullValue(text) || !ParseSymOp(text, op)) continue;
      op.OpNum = static_cast<int>(model.SymOps.size()) + 1;
      op.Code = std::to_string(op.OpNum) + "_555";
      model.SymOps.push_back(std::move(op));
    }
  }
  if (!model.SymOps.empty()) return true;
  model.SymOps.push_back(IdentityOp());
  return false;
}

std::string SpaceGroupName(const TCifBlock& block) {
  for (std::string_view tag :
       {"_space_group_name_H-M_alt", "_symmetry_space_group_name_H-M", "_space_group_name_Hall",
        "_symmetry_space_group_name_Hall", "_space_group.name_H-M_alt", "_space_group.name_Hall"}) {
    const std::string_view name = block.GetItem(tag);
    if (!IsNullValue(name)) return std::string(TrimControl(name));
  }
  return "";
}

// ---------------------------------------------------------------- atom sites

namespace {

struct TAtomColumns {
  int Label = -1, TypeSymbol = -1, X = -1, Y = -1, Z = -1, Occupancy = -1;
  int Assembly = -1, Group = -1, CalcFlag = -1, RefinementFlags = -1;
};

TAtomColumns AtomColumns(const TCifLoop& loop) {
  TAtomColumns c;
  c.Label = loop.ColumnIndex("_atom_site_label");
  c.TypeSymbol = loop.ColumnIndex("_atom_site_type_symbol");
  c.X = loop.ColumnIndex("_atom_site_fract_x");
  c.Y = loop.ColumnIndex("_atom_site_fract_y");
  c.Z = loop.ColumnIndex("_atom_site_fract_z");
  c.Occupancy = loop.ColumnIndex("_atom_site_occupancy");
  c.Assembly = loop.ColumnIndex("_atom_site_disorder_assembly");
  c.Group = loop.ColumnIndex("_atom_site_disorder_group");
  c.CalcFlag = loop.ColumnIndex("_atom_site_calc_flag");
  c.RefinementFlags = loop.ColumnIndex("_atom_site_refinement_flags");
  return c;
}

std::string AtomElement(const TCifLoop& loop, const TAtomColumns& c, std::size_t row,
                        std::string_view label, bool& fromLabel) {
  std::string element;
  if (c.TypeSymbol != -1) element = HydrogenForIsotopes(LeadingLetters(loop.GetValue(row, c.TypeSymbol)));
  fromLabel = element.empty();
  if (fromLabel) element = ElementFromLabel(label);
  return element;
}

// The element symbols of a formula sum ("C12 H10 N2 O5 Zn"), each once.
std::vector<std::string> FormulaElements(std::string_view formula) {
  std::vector<std::string> elements;
  for (std::string_view part : SplitAtBlanksAndTabs(formula)) {
    const std::string symbol = LeadingLetters(part);
    if (!symbol.empty()) elements.push_back(symbol);
  }
  return elements;
}

// One row of the atom-site loop; false when a coordinate is null or unreadable.
bool ReadAtomRow(const TCifLoop& loop, const TAtomColumns& c, std::size_t row, TAtom& atom) {
  if (!ParseNumberSu(loop.GetValue(row, c.X), atom.X, atom.SuX) ||
      !ParseNumberSu(loop.GetValue(row, c.Y), atom.Y, atom.SuY) ||
      !ParseNumberSu(loop.GetValue(row, c.Z), atom.Z, atom.SuZ))
    return false;
  atom.Label = std::string(loop.GetValue(row, c.Label));
  bool fromLabel = false;
  atom.Element = AtomElement(loop, c, row, atom.Label, fromLabel);
  atom.ElementNotInFormula = fromLabel;  // settled against the formula once it is read
  atom.Occ = 1.0;
  double occupancy = 0, unused = 0;
  if (c.Occupancy != -1 && ParseNumberSu(loop.GetValue(row, c.Occupancy), occupancy, unused))
    atom.Occ = occupancy;
  const auto text = [&](int column) {
    const std::string_view value = column == -1 ? std::string_view() : loop.GetValue(row, column);
    return IsNullValue(value) ? std::string() : std::string(value);
  };
  atom.SpecialPositionFlag = text(c.RefinementFlags).find('S') != std::string::npos;
  atom.DisorderAssembly = text(c.Assembly);
  atom.DisorderGroup = text(c.Group);
  // SHELXL writes PART 0 as group 0 in some files: no group.
  if (atom.DisorderGroup == "0") atom.DisorderGroup.clear();
  return true;
}

}  // namespace

void ReadAtomSites(const TCifBlock& block, TStructure& model) {
  model.Atoms.clear();
  const TCifLoop* loop = AtomSiteLoop(block);
  if (loop == nullptr) Fatal("no _atom_site loop found in the CIF.");
  const TAtomColumns columns = AtomColumns(*loop);
  if (columns.X == -1 || columns.Y == -1 || columns.Z == -1)
    Fatal("fractional coordinates are missing in the _atom_site loop.");
  const std::size_t rows = loop->RowCount();
  model.Atoms.reserve(rows);
  model.SkippedSites.clear();
  for (std::size_t row = 0; row < rows; ++row) {
    // A dummy atom (calc_flag dum: a ring centroid or a point the authors
    // placed) is no atom.
    if (columns.CalcFlag != -1 && SameTextIgnoringCase(loop->GetValue(row, columns.CalcFlag), "dum"))
      continue;
    TAtom atom;
    if (ReadAtomRow(*loop, columns, row, atom))
      model.Atoms.push_back(std::move(atom));
    else
      model.SkippedSites.emplace_back(columns.Label != -1 ? loop->GetValue(row, columns.Label)
                                                          : std::string_view("?"));
  }
  if (model.Atoms.empty()) Fatal("no atoms with coordinates found.");
  // An element guessed from a label is doubtful where the formula lacks it.
  const std::string_view formula = block.GetItem("_chemical_formula_sum");
  model.FormulaSum = IsNullValue(formula) ? std::string() : std::string(TrimControl(formula));
  const std::vector<std::string> inFormula = FormulaElements(model.FormulaSum);
  for (TAtom& atom : model.Atoms) {
    if (!atom.ElementNotInFormula) continue;
    bool listed = inFormula.empty();
    for (const std::string& element : inFormula)
      listed = listed || SameTextIgnoringCase(element, atom.Element) ||
               (SameTextIgnoringCase(atom.Element, "H") && (element == "D" || element == "T"));
    atom.ElementNotInFormula = !listed;
  }
  SyncCoordinates(model);
}

// ---------------------------------------------------------------- angle table

namespace {

std::string SiteCodeOf(const TCifLoop& loop, std::size_t row, int column) {
  if (column == -1) return "1_555";
  return NormaliseSiteCode(loop.GetValue(row, column));
}

// The labels a filtered angle table keeps as apexes. Two 256-bit masks, of
// the label lengths and of the lower-cased first characters, turn most
// other rows away before the label is looked up.
class TApexLabels {
 public:
  explicit TApexLabels(const std::vector<std::string>& labels) {
    for (const std::string& label : labels) {
      std::string lowered = AsciiLowerCopy(label);
      Mark(Lengths, lowered.size());
      Mark(FirstChars, lowered.empty() ? 0 : static_cast<unsigned char>(lowered[0]));
      Lowered.insert(std::move(lowered));
    }
  }

  bool Contains(std::string_view label) {
    if (!Marked(Lengths, label.size())) return false;
    if (!Marked(FirstChars, label.empty() ? 0 : static_cast<unsigned char>(AsciiLower(label[0]))))
      return false;
    Probe.assign(label);
    for (char& c : Probe) c = AsciiLower(c);
    return Lowered.count(Probe) > 0;
  }

 private:
  using TMask = std::bitset<256>;
  // Lengths of 255 and more share the last bit.
  static void Mark(TMask& mask, std::size_t i) { mask.set(i < 255 ? i : 255); }
  static bool Marked(const TMask& mask, std::size_t i) { return mask.test(i < 255 ? i : 255); }

  std::unordered_set<std::string> Lowered;
  TMask Lengths, FirstChars;
  std::string Probe;
};

struct TAngleColumns {
  int Label1 = -1, Label2 = -1, Label3 = -1, Value = -1, Sym1 = -1, Sym2 = -1, Sym3 = -1;
};

const TCifLoop* AngleLoop(const TCifBlock& block, TAngleColumns& c) {
  const TCifLoop* loop = block.FindLoop("_geom_angle");
  if (loop == nullptr) return nullptr;
  c.Label1 = loop->ColumnIndex("_geom_angle_atom_site_label_1");
  c.Label2 = loop->ColumnIndex("_geom_angle_atom_site_label_2");
  c.Label3 = loop->ColumnIndex("_geom_angle_atom_site_label_3");
  c.Value = loop->ColumnIndex("_geom_angle");
  c.Sym1 = loop->ColumnIndex("_geom_angle_site_symmetry_1");
  c.Sym2 = loop->ColumnIndex("_geom_angle_site_symmetry_2");
  c.Sym3 = loop->ColumnIndex("_geom_angle_site_symmetry_3");
  if (c.Label1 == -1 || c.Label2 == -1 || c.Label3 == -1 || c.Value == -1) return nullptr;
  return loop;
}

// Appends the row when its angle is a number.
void ReadAngleRow(const TCifLoop& loop, const TAngleColumns& c, std::size_t row,
                  std::vector<TCifAngle>& table) {
  TCifAngle angle;
  if (!ParseNumberSu(loop.GetValue(row, c.Value), angle.Angle, angle.Su)) return;
  angle.Label1 = std::string(loop.GetValue(row, c.Label1));
  angle.Label2 = std::string(loop.GetValue(row, c.Label2));
  angle.Label3 = std::string(loop.GetValue(row, c.Label3));
  angle.Sym1 = SiteCodeOf(loop, row, c.Sym1);
  angle.Sym2 = SiteCodeOf(loop, row, c.Sym2);
  angle.Sym3 = SiteCodeOf(loop, row, c.Sym3);
  angle.HasSu = angle.Su > 0;
  table.push_back(std::move(angle));
}

}  // namespace

void ReadAngleTable(const TCifBlock& block, TStructure& model) {
  model.CifAngles.clear();
  TAngleColumns columns;
  const TCifLoop* loop = AngleLoop(block, columns);
  if (loop == nullptr) return;
  const std::size_t rows = loop->RowCount();
  for (std::size_t row = 0; row < rows; ++row) ReadAngleRow(*loop, columns, row, model.CifAngles);
}

void ReadAngleTable(const TCifBlock& block, TStructure& model,
                    const std::vector<std::string>& apexLabels) {
  model.CifAngles.clear();
  TAngleColumns columns;
  const TCifLoop* loop = AngleLoop(block, columns);
  if (loop == nullptr || apexLabels.empty()) return;
  TApexLabels apexes(apexLabels);
  const std::size_t rows = loop->RowCount();
  for (std::size_t row = 0; row < rows; ++row)
    if (apexes.Contains(loop->GetValue(row, columns.Label2)))
      ReadAngleRow(*loop, columns, row, model.CifAngles);
}

namespace {

bool SameSiteName(std::string_view label, std::string_view code, std::string_view wantedLabel,
                  std::string_view wantedCode) {
  return SameTextIgnoringCase(label, wantedLabel) && code == wantedCode;
}

}  // namespace

bool FindCifAngle(const std::vector<TCifAngle>& table, std::string_view centreLabel,
                  std::string_view centreCode, std::string_view labelA, std::string_view codeA,
                  std::string_view labelB, std::string_view codeB, double& angle, double& su) {
  angle = 0;
  su = 0;
  for (const TCifAngle& row : table) {
    if (!SameSiteName(row.Label2, row.Sym2, centreLabel, centreCode)) continue;
    const bool forward = SameSiteName(row.Label1, row.Sym1, labelA, codeA) &&
                         SameSiteName(row.Label3, row.Sym3, labelB, codeB);
    const bool reverse = SameSiteName(row.Label1, row.Sym1, labelB, codeB) &&
                         SameSiteName(row.Label3, row.Sym3, labelA, codeA);
    if (forward || reverse) {
      angle = row.Angle;
      su = row.Su;
      return true;
    }
  }
  return false;
}
