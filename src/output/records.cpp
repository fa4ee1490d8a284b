#include "output/records.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <utility>

#include <nlohmann/json.hpp>

#include "base/command_line_text.h"
#include "geometry/indices.h"
#include "geometry/shape_references.h"
#include "crystal/elements.h"

namespace {

struct TField;

// The value of one record field as both writers see it.
struct TFieldValue {
  enum class TKind {
    Null, Integer, Boolean, Number, Text, Texts, TextLists, Ligands, Angles, Excluded,
    NamedNumbers, Object
  };
  TKind Kind = TKind::Null;
  long long Integer = 0;
  double Number = 0;
  std::string Text;
  std::vector<std::string> Texts;
  std::vector<std::vector<std::string>> TextLists;  // CSV: lists joined by "; ", texts by " "
  const TLigArray* Ligands = nullptr;
  bool LigandSu = false;  // the ligands' distance su (or the angles' su) are meaningful
  const std::vector<TAngleRec>* Angles = nullptr;
  const std::vector<TExcludedAtom>* Excluded = nullptr;
  const std::vector<TCentreResult::TCentroid>* Centroids = nullptr;  // of the ligands
  // An object of named numbers. Its names are known also when it is absent
  // (null), since CSV gives each number a column of its own, named
  // CsvPrefix + "_" + name with blanks as underscores.
  std::vector<std::pair<std::string, double>> Named;
  bool Present = true;
  std::string CsvPrefix;
  // An object of named fields (Present false: null). In CSV each member
  // has the columns of its value, named after the object's column + "_" +
  // the member's name; a member named "value" takes the object's column
  // itself. The members of an absent object still give their (empty)
  // columns.
  std::vector<TField> Members;
};

// Where a field appears: both records, or only JSON or only CSV (a figure
// that CSV gives once per row where JSON repeats it per object).
enum class TFieldUse { Both, JsonOnly, CsvOnly };

struct TField {
  std::string_view Name;
  TFieldValue Value;
  TFieldUse Use = TFieldUse::Both;
};

TFieldValue Null() { return {}; }

TFieldValue Integer(long long value) {
  TFieldValue v;
  v.Kind = TFieldValue::TKind::Integer;
  v.Integer = value;
  return v;
}

TFieldValue Number(double value) {
  TFieldValue v;
  v.Kind = TFieldValue::TKind::Number;
  v.Number = value;
  return v;
}

// The program writes an su of 0 as no su at all (the report prints no
// parentheses), and so does the record.
bool IsSu(double su, TSuSource source) { return source != TSuSource::None && su > 0; }

TFieldValue Su(double su, TSuSource source) { return IsSu(su, source) ? Number(su) : Null(); }

TFieldValue Text(std::string text) {
  TFieldValue v;
  v.Kind = TFieldValue::TKind::Text;
  v.Text = std::move(text);
  return v;
}

TFieldValue OptionalText(const std::optional<std::string>& text) {
  return text ? Text(*text) : Null();
}

// A file path of the command line (or found from one).
TFieldValue PathText(const std::string& path) { return Text(CommandLineTextAsUtf8(path)); }

TFieldValue OptionalPathText(const std::optional<std::string>& path) {
  return path ? PathText(*path) : Null();
}

TFieldValue Texts(std::vector<std::string> texts) {
  TFieldValue v;
  v.Kind = TFieldValue::TKind::Texts;
  v.Texts = std::move(texts);
  return v;
}

TFieldValue Ligands(const TLigArray& ligands, TSuSource source,
                    const std::vector<TCentreResult::TCentroid>& centroids) {
  TFieldValue v;
  v.Kind = TFieldValue::TKind::Ligands;
  v.Ligands = &ligands;
  v.Centroids = &centroids;
  v.LigandSu = source != TSuSource::None;
  return v;
}

TFieldValue AngleList(const std::vector<TAngleRec>& angles, const TLigArray& ligands,
                      TSuSource source) {
  TFieldValue v;
  v.Kind = TFieldValue::TKind::Angles;
  v.Angles = &angles;
  v.Ligands = &ligands;
  v.LigandSu = source != TSuSource::None;
  return v;
}

TFieldValue ExcludedList(const std::vector<TExcludedAtom>& excluded) {
  TFieldValue v;
  v.Kind = TFieldValue::TKind::Excluded;
  v.Excluded = &excluded;
  return v;
}

// The element table's symbol ("Ni" for NI, ni and Ni2+); the letters as
// written where they name no element.
std::string ElementOfRecord(const std::string& element) {
  const int z = ElementIndex(element);
  return z > 0 ? ElementSymbol(z) : element;
}

TFieldValue ShapeWeights(const std::optional<std::array<double, 3>>& weights) {
  TFieldValue v;
  v.Kind = TFieldValue::TKind::NamedNumbers;
  v.CsvPrefix = "weight";
  v.Present = weights.has_value();
  for (size_t i = 0; i < kShapeNames4.size(); ++i)
    v.Named.emplace_back(kShapeNames4[i], weights ? (*weights)[i] : 0.0);
  return v;
}

TFieldValue IndexValue(const std::optional<TValueSu>& index) {
  return index ? Number(index->Value) : Null();
}

TFieldValue IndexSu(const std::optional<TValueSu>& index, TSuSource source) {
  return index ? Su(index->Su, source) : Null();
}

TFieldValue Object(std::vector<TField> members, bool present = true) {
  TFieldValue v;
  v.Kind = TFieldValue::TKind::Object;
  v.Members = std::move(members);
  v.Present = present;
  return v;
}

TFieldValue OptionalNumber(const std::optional<double>& value) {
  return value ? Number(*value) : Null();
}

// An su that the input gives (none, or 0, is null as above).
TFieldValue OptionalSu(const std::optional<double>& su, TSuSource source) {
  return su ? Su(*su, source) : Null();
}

const TShapeAnalysis* ShapesOf(const TCentreResult& r) {
  return r.Polyhedron ? &r.Polyhedron->Shapes : nullptr;
}

// label -> {value, su, noise_level}; null without a shape section.
TFieldValue ShapeMeasures(const TShapeAnalysis* shapes, TSuSource source) {
  if (shapes == nullptr) return Object({}, false);
  std::vector<TField> members;
  for (const TShapeMeasure& m : shapes->Measures)
    members.push_back({m.Reference->Label,
                       Object({{"value", std::isnan(m.Value) ? Null() : Number(m.Value)},
                               {"su", OptionalSu(m.Su, source)},
                               {"noise_level", OptionalNumber(m.NoiseLevel), TFieldUse::JsonOnly}})});
  return Object(std::move(members));
}

// "SP-4/T-4" -> {deviation, deviation_su, coordinate, coordinate_su}.
TFieldValue ShapePaths(const TShapeAnalysis* shapes, TSuSource source) {
  if (shapes == nullptr) return Object({}, false);
  std::vector<TField> members;
  for (const TShapePath& p : shapes->Paths)
    members.push_back({p.Label, Object({{"deviation", Number(p.Deviation)},
                                        {"deviation_su", OptionalSu(p.DeviationSu, source)},
                                        {"coordinate", Number(p.Coordinate)},
                                        {"coordinate_su", OptionalSu(p.CoordinateSu, source)}})});
  return Object(std::move(members));
}

TFieldValue ClosestShape(const TShapeAnalysis* shapes) {
  if (shapes == nullptr || shapes->Closest < 0) return Null();
  return Text(std::string(shapes->Measures[static_cast<size_t>(shapes->Closest)].Reference->Label));
}

TFieldValue FigureValue(const std::optional<TFigureSu>& figure) {
  return figure ? Number(figure->Value) : Null();
}

TFieldValue FigureSu(const std::optional<TFigureSu>& figure, TSuSource source) {
  return figure ? OptionalSu(figure->Su, source) : Null();
}

// {d_mean, d_mean_su, zeta, ...}; null but for CN 6.
TFieldValue OctahedralParameters(const TOctahedronFigures* o, TSuSource source) {
  const auto pair = [&](std::string_view name, std::string_view suName,
                        const TFigureSu TOctahedronFigures::*figure) {
    const std::optional<TFigureSu> value = o ? std::optional<TFigureSu>(o->*figure) : std::nullopt;
    return std::vector<TField>{{name, FigureValue(value)}, {suName, FigureSu(value, source)}};
  };
  std::vector<TField> members;
  TFieldValue meaningful = Null();
  if (o) {
    meaningful.Kind = TFieldValue::TKind::Boolean;
    meaningful.Integer = o->NotMeaningful() ? 0 : 1;
  }
  members.push_back({"meaningful", meaningful});
  for (auto&& part : {pair("d_mean", "d_mean_su", &TOctahedronFigures::MeanBond),
                      pair("zeta", "zeta_su", &TOctahedronFigures::Zeta),
                      pair("delta", "delta_su", &TOctahedronFigures::Delta),
                      pair("sigma", "sigma_su", &TOctahedronFigures::Sigma),
                      pair("theta", "theta_su", &TOctahedronFigures::Theta),
                      pair("theta_min", "theta_min_su", &TOctahedronFigures::ThetaMin),
                      pair("theta_max", "theta_max_su", &TOctahedronFigures::ThetaMax)})
    members.insert(members.end(), part.begin(), part.end());
  return Object(std::move(members), o != nullptr);
}

// The three trans pairs as display names.
TFieldValue TransPairs(const TOctahedronFigures* o, const TLigArray& ligands) {
  if (o == nullptr) return Null();
  TFieldValue v;
  v.Kind = TFieldValue::TKind::TextLists;
  for (const std::array<int, 2>& pair : o->Analysis.Choices.TransPairs)
    v.TextLists.push_back({LigandDisplayName(ligands[static_cast<size_t>(pair[0])]),
                           LigandDisplayName(ligands[static_cast<size_t>(pair[1])])});
  return v;
}

TFieldValue OptionalSuOf(const std::optional<TCorrelatedTau>& tau,
                         std::optional<double> TCorrelatedTau::*su, TSuSource source) {
  return tau ? OptionalSu((*tau).*su, source) : Null();
}

// The fields that --shapes adds, after the others.
void AppendShapeFields(const TCentreResult& r, std::vector<TField>& fields) {
  const TSuSource su = r.SuSource;
  const TShapeAnalysis* shapes = ShapesOf(r);
  fields.push_back({"cshm", ShapeMeasures(shapes, su)});
  fields.push_back({"cshm_noise_level", shapes ? OptionalNumber(shapes->NoiseLevel) : Null(),
                    TFieldUse::CsvOnly});
  fields.push_back({"closest_shape", ClosestShape(shapes)});
  fields.push_back({"paths", ShapePaths(shapes, su)});

  const TPolyhedronResult* p = r.Polyhedron ? &*r.Polyhedron : nullptr;
  const TOctahedronFigures* octahedron = p && p->Octahedron ? &*p->Octahedron : nullptr;
  fields.push_back({"octahedral", OctahedralParameters(octahedron, su)});
  fields.push_back({"trans_pairs", TransPairs(octahedron, r.Ligands)});

  const std::optional<TCorrelatedTau> tau = p ? p->CorrelatedTau : std::nullopt;
  fields.push_back({"tau4_su_correlated", OptionalSuOf(tau, &TCorrelatedTau::Tau4Su, su)});
  fields.push_back(
      {"tau4_prime_su_correlated", OptionalSuOf(tau, &TCorrelatedTau::Tau4PrimeSu, su)});
  fields.push_back({"tau5_su_correlated", OptionalSuOf(tau, &TCorrelatedTau::Tau5Su, su)});
  fields.push_back(
      {"beta_alpha_correlation", tau ? OptionalNumber(tau->Correlation) : Null()});

  const bool basal = p && p->Basal && p->Basal->Choice.Usable;
  const std::optional<TFigureSu> displacement =
      basal ? std::optional<TFigureSu>(p->Basal->Displacement) : std::nullopt;
  const std::optional<TFigureSu> tilt =
      basal ? std::optional<TFigureSu>(p->Basal->ApexTilt) : std::nullopt;
  fields.push_back({"basal_displacement", FigureValue(displacement)});
  fields.push_back({"basal_displacement_su", FigureSu(displacement, su)});
  fields.push_back({"apex_tilt", FigureValue(tilt)});
  fields.push_back({"apex_tilt_su", FigureSu(tilt, su)});
}

const char* SuSourceName(TSuSource source) {
  switch (source) {
    case TSuSource::Matrix: return "matrix";
    case TSuSource::None: return "none";
    case TSuSource::Cif: break;
  }
  return "cif";
}

// The fields of a record, in the order the records carry them. A new field
// is one line here; both writers and the CSV header follow.
std::vector<TField> ResultFields(const TCentreResult& r) {
  const TSuSource su = r.SuSource;
  std::vector<TField> fields = {
      {"file", PathText(r.File)},
      {"input", OptionalPathText(r.Input)},
      {"block", OptionalText(r.Block)},
      {"centre", OptionalText(r.Centre)},
      {"element", Text(ElementOfRecord(r.Element))},
      {"cn", Integer(static_cast<long long>(r.Ligands.size()))},
      {"ligands", Ligands(r.Ligands, su, r.Centroids)},
      {"beta", r.HasIndices ? Number(r.Beta.Angle) : Null()},
      {"beta_su", r.HasIndices ? Su(r.Beta.Su, su) : Null()},
      {"alpha", r.HasIndices ? Number(r.Alpha.Angle) : Null()},
      {"alpha_su", r.HasIndices ? Su(r.Alpha.Su, su) : Null()},
      {"tau4", IndexValue(r.Tau4)},
      {"tau4_su", IndexSu(r.Tau4, su)},
      {"tau4_prime", IndexValue(r.Tau4Prime)},
      {"tau4_prime_su", IndexSu(r.Tau4Prime, su)},
      {"tau5", IndexValue(r.Tau5)},
      {"tau5_su", IndexSu(r.Tau5, su)},
      {"shape", r.Shape.empty() ? Null() : Text(r.Shape)},
      {"weights", ShapeWeights(r.Weights)},
      {"su_source", Text(SuSourceName(su))},
      {"warnings", Texts(r.Warnings)},
      {"sphere", Text(r.Sphere == TSphereRule::Radii ? "radii" : "chemical")},
      {"excluded", ExcludedList(r.Excluded)},
      {"angles", AngleList(r.Angles, r.Ligands, su)},
  };
  if (r.ShapesAsked) AppendShapeFields(r, fields);
  return fields;
}

std::vector<TField> ErrorFields(const TCentreResult& r) {
  return {
      {"file", PathText(r.File)},
      {"input", OptionalPathText(r.Input)},
      {"block", OptionalText(r.Block)},
      {"centre", OptionalText(r.Centre)},
      {"error", Text(OneLineMessage(r.Error))},
  };
}

std::vector<TField> RecordFields(const TCentreResult& r) {
  return Failed(r) ? ErrorFields(r) : ResultFields(r);
}

// ------------------------------------------------------------- JSON

void WriteImage(TRecordSink& out, const TLigand& image) {
  out.Key("label");
  out.Text(image.Label);
  out.Key("code");
  out.Text(image.Site.Op.Code);
  out.Key("distance");
  out.Number(image.Dist);
}

void WriteLigands(TRecordSink& out, const TLigArray& ligands, bool withSu,
                  const std::vector<TCentreResult::TCentroid>* centroids) {
  out.BeginArray();
  for (const TLigand& ligand : ligands) {
    out.BeginObject();
    WriteImage(out, ligand);
    out.Key("distance_su");
    if (withSu && ligand.DistSu > 0)
      out.Number(ligand.DistSu);
    else
      out.Null();
    // A centroid: its members and their number.
    for (const TCentreResult::TCentroid& centroid :
         centroids ? *centroids : std::vector<TCentreResult::TCentroid>()) {
      if (centroid.Label != ligand.Label || ligand.Element != "Cg") continue;
      out.Key("members");
      out.BeginArray();
      for (const TLigand& member : centroid.Members) {
        out.BeginObject();
        out.Key("label");
        out.Text(member.Label);
        out.Key("code");
        out.Text(member.Site.Op.Code);
        out.EndObject();
      }
      out.EndArray();
      out.Key("hapticity");
      out.Integer(static_cast<long long>(centroid.Members.size()));
    }
    out.EndObject();
  }
  out.EndArray();
}

std::string LigandName(const TLigArray& ligands, int index) {
  return index >= 0 && static_cast<size_t>(index) < ligands.size()
             ? LigandDisplayName(ligands[static_cast<size_t>(index)])
             : std::string();
}

void WriteAngles(TRecordSink& out, const TFieldValue& v) {
  out.BeginArray();
  for (const TAngleRec& angle : *v.Angles) {
    out.BeginObject();
    out.Key("ligand1");
    out.Text(LigandName(*v.Ligands, angle.Lig1));
    out.Key("ligand2");
    out.Text(LigandName(*v.Ligands, angle.Lig2));
    out.Key("angle");
    out.Number(angle.Angle);
    out.Key("su");
    if (v.LigandSu && angle.Su > 0)
      out.Number(angle.Su);
    else
      out.Null();
    out.Key("from_cif");
    out.Boolean(angle.FromCif);
    out.EndObject();
  }
  out.EndArray();
}

void WriteExcluded(TRecordSink& out, const std::vector<TExcludedAtom>& excluded) {
  out.BeginArray();
  for (const TExcludedAtom& atom : excluded) {
    out.BeginObject();
    WriteImage(out, atom.Image);
    out.Key("reason");
    out.Text(atom.Reason);
    out.EndObject();
  }
  out.EndArray();
}

void WriteValue(TRecordSink& out, const TFieldValue& v);

void WriteObject(TRecordSink& out, const std::vector<TField>& fields) {
  out.BeginObject();
  for (const TField& field : fields) {
    if (field.Use == TFieldUse::CsvOnly) continue;
    out.Key(field.Name);
    WriteValue(out, field.Value);
  }
  out.EndObject();
}

void WriteValue(TRecordSink& out, const TFieldValue& v) {
  using TKind = TFieldValue::TKind;
  switch (v.Kind) {
    case TKind::Null: out.Null(); return;
    case TKind::Integer: out.Integer(v.Integer); return;
    case TKind::Boolean: out.Boolean(v.Integer != 0); return;
    case TKind::Number: out.Number(v.Number); return;
    case TKind::Text: out.Text(v.Text); return;
    case TKind::Angles: WriteAngles(out, v); return;
    case TKind::Excluded: WriteExcluded(out, *v.Excluded); return;
    case TKind::Texts:
      out.BeginArray();
      for (const std::string& text : v.Texts) out.Text(text);
      out.EndArray();
      return;
    case TKind::TextLists:
      out.BeginArray();
      for (const std::vector<std::string>& list : v.TextLists) {
        out.BeginArray();
        for (const std::string& text : list) out.Text(text);
        out.EndArray();
      }
      out.EndArray();
      return;
    case TKind::Ligands: WriteLigands(out, *v.Ligands, v.LigandSu, v.Centroids); return;
    case TKind::NamedNumbers:
      if (!v.Present) {
        out.Null();
        return;
      }
      out.BeginObject();
      for (const auto& [name, number] : v.Named) {
        out.Key(name);
        out.Number(number);
      }
      out.EndObject();
      return;
    case TKind::Object:
      if (v.Present)
        WriteObject(out, v.Members);
      else
        out.Null();
      return;
  }
}

// The JSON text of a record on one line: commas between the values of an
// object or array, none after a key.
class TJsonWriter final : public TRecordSink {
 public:
  std::string Line;

  void Null() override { Value("null"); }
  void Boolean(bool value) override { Value(value ? "true" : "false"); }
  void Integer(long long value) override { Value(std::to_string(value)); }
  void Number(double value) override { Value(ShortestNumberText(value)); }
  void Text(std::string_view text) override { Value(nlohmann::json(ValidUtf8(text)).dump()); }
  void BeginArray() override { Open('['); }
  void EndArray() override { Close(']'); }
  void BeginObject() override { Open('{'); }
  void EndObject() override { Close('}'); }
  void Key(std::string_view name) override {
    Separate();
    Line.append(nlohmann::json(std::string(name)).dump()).append(":");
    AfterKey = true;
  }

 private:
  void Separate() {
    if (AfterKey) {
      AfterKey = false;
      return;
    }
    if (First.empty()) return;
    if (!First.back()) Line += ',';
    First.back() = false;
  }
  void Value(std::string_view text) {
    Separate();
    Line += text;
  }
  void Open(char bracket) {
    Separate();
    Line += bracket;
    First.push_back(true);
  }
  void Close(char bracket) {
    Line += bracket;
    First.pop_back();
  }

  std::vector<bool> First;  // per open array or object: no value written yet
  bool AfterKey = false;
};

// "O1B#1_555 (other disorder group); ..."
std::string CsvExcluded(const std::vector<TExcludedAtom>& excluded) {
  std::string text;
  for (const TExcludedAtom& atom : excluded) {
    if (!text.empty()) text += "; ";
    text += LigandDisplayName(atom.Image) + " (" + atom.Reason + ")";
  }
  return text;
}

// "O1 O2 90.12 0.03; ..." (no su: the su left out).
std::string CsvAngles(const TFieldValue& v) {
  std::string text;
  for (const TAngleRec& angle : *v.Angles) {
    if (!text.empty()) text += "; ";
    text += LigandName(*v.Ligands, angle.Lig1) + ' ' + LigandName(*v.Ligands, angle.Lig2) + ' ' +
            ShortestNumberText(angle.Angle);
    if (v.LigandSu && angle.Su > 0) text += ' ' + ShortestNumberText(angle.Su);
  }
  return text;
}

// ------------------------------------------------------------- CSV

std::string CsvNumber(double value) {
  return std::isfinite(value) ? ShortestNumberText(value) : std::string();
}

std::string CsvColumnName(const std::string& prefix, std::string_view name) {
  std::string column = prefix + "_";
  for (char c : name) column += c == ' ' ? '_' : c;
  return column;
}

std::string JoinedTexts(const std::vector<std::string>& texts) {
  std::string text;
  for (const std::string& part : texts) {
    if (!text.empty()) text += " | ";
    text += part;
  }
  return text;
}

// "O1 O4; O2 O5; O3 O6"
std::string JoinedTextLists(const std::vector<std::vector<std::string>>& lists) {
  std::string text;
  for (const std::vector<std::string>& list : lists) {
    if (!text.empty()) text += "; ";
    for (size_t k = 0; k < list.size(); ++k) {
      if (k > 0) text += ' ';
      text += list[k];
    }
  }
  return text;
}

using TCsvCells = std::vector<std::pair<std::string, std::string>>;  // column, cell

void AppendCsvCells(TCsvCells& cells, const std::string& name, const TFieldValue& v,
                    bool present) {
  using TKind = TFieldValue::TKind;
  if (!present && v.Kind != TKind::Object && v.Kind != TKind::NamedNumbers) {
    cells.emplace_back(name, "");
    return;
  }
  switch (v.Kind) {
    case TKind::Null: cells.emplace_back(name, ""); return;
    case TKind::Integer: cells.emplace_back(name, std::to_string(v.Integer)); return;
    case TKind::Boolean: cells.emplace_back(name, v.Integer != 0 ? "true" : "false"); return;
    case TKind::Number: cells.emplace_back(name, CsvNumber(v.Number)); return;
    case TKind::Text: cells.emplace_back(name, v.Text); return;
    case TKind::Angles: cells.emplace_back(name, CsvAngles(v)); return;
    case TKind::Excluded: cells.emplace_back(name, CsvExcluded(*v.Excluded)); return;
    case TKind::Texts: cells.emplace_back(name, JoinedTexts(v.Texts)); return;
    case TKind::TextLists: cells.emplace_back(name, JoinedTextLists(v.TextLists)); return;
    case TKind::Ligands: cells.emplace_back(name, LigandListText(*v.Ligands)); return;
    case TKind::NamedNumbers:
      for (const auto& [key, number] : v.Named)
        cells.emplace_back(CsvColumnName(v.CsvPrefix, key),
                           present && v.Present ? CsvNumber(number) : "");
      return;
    case TKind::Object:
      for (const TField& member : v.Members) {
        if (member.Use == TFieldUse::JsonOnly) continue;
        const std::string column =
            member.Name == "value" ? name : CsvColumnName(name, member.Name);
        AppendCsvCells(cells, column, member.Value, present && v.Present);
      }
      return;
  }
}

TCsvCells CsvCells(const std::vector<TField>& fields) {
  TCsvCells cells;
  for (const TField& field : fields)
    if (field.Use != TFieldUse::JsonOnly)
      AppendCsvCells(cells, std::string(field.Name), field.Value, true);
  return cells;
}

// The columns: those of a result (with --shapes, of one that measured every
// reference of every CN and has every path), then the error message.
std::vector<std::string> CsvColumns(bool shapes) {
  TCentreResult all;
  if (shapes) {
    all.ShapesAsked = true;
    TShapeAnalysis& analysis = all.Polyhedron.emplace().Shapes;
    for (const TShapeReference& reference : AllShapeReferences()) {
      TShapeMeasure measure;
      measure.Reference = &reference;
      analysis.Measures.push_back(measure);
    }
    for (const TShapePathPair& pair : kShapePathPairs) {
      TShapePath path;
      path.Label = pair.Label;
      analysis.Paths.push_back(path);
    }
  }
  std::vector<std::string> columns;
  for (const auto& cell : CsvCells(ResultFields(all))) columns.push_back(cell.first);
  columns.emplace_back("error");
  return columns;
}

const std::vector<std::string>& Columns(bool shapes) {
  static const std::vector<std::string> plain = CsvColumns(false);
  static const std::vector<std::string> withShapes = CsvColumns(true);
  return shapes ? withShapes : plain;
}

// RFC 4180: a field with a comma, a double quote, CR or LF is quoted, and a
// double quote inside is doubled.
std::string CsvQuoted(const std::string& cell) {
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (char c : cell) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string CsvLine(const std::vector<std::string>& cells) {
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) line += ',';
    line += CsvQuoted(cells[i]);
  }
  return line;
}

}  // namespace

std::string OneLineMessage(std::string_view message) {
  std::string line;
  size_t i = 0;
  while (i < message.size()) {
    if (message[i] == '\r' || message[i] == '\n') {
      while (i < message.size() && (message[i] == '\r' || message[i] == '\n' || message[i] == ' '))
        ++i;
      if (i < message.size()) line += ' ';
      continue;
    }
    line += message[i++];
  }
  return line;
}

std::string ShortestNumberText(double value) {
  if (!std::isfinite(value)) return "null";
  char text[64];
  const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
  return std::string(text, written.ptr);
}

void WriteRecord(const TCentreResult& result, TRecordSink& sink) {
  WriteObject(sink, RecordFields(result));
}

std::string JsonRecord(const TCentreResult& result) {
  TJsonWriter writer;
  WriteRecord(result, writer);
  return std::move(writer.Line);
}

std::string CsvHeader(bool shapes) { return CsvLine(Columns(shapes)); }

std::string CsvRecord(const TCentreResult& result, bool shapes) {
  std::map<std::string, std::string, std::less<>> byColumn;
  for (auto& [column, cell] : CsvCells(RecordFields(result))) byColumn[column] = ValidUtf8(cell);
  std::vector<std::string> cells;
  for (const std::string& column : Columns(shapes)) {
    const auto cell = byColumn.find(column);
    cells.push_back(cell == byColumn.end() ? std::string() : cell->second);
  }
  return CsvLine(cells);
}

std::string RecordLine(TOutputFormat format, bool shapes, const TCentreResult& result) {
  return format == TOutputFormat::Csv ? CsvRecord(result, shapes) : JsonRecord(result);
}

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const auto continuation = [&](size_t i) {
    return i < text.size() && (byte(i) & 0xC0) == 0x80;
  };
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = byte(i);
    size_t length = 0;
    // The shortest forms only (RFC 3629): no overlong sequences, no
    // surrogates, nothing beyond U+10FFFF.
    if (b < 0x80) {
      length = 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = continuation(i + 1) ? 2 : 0;
    } else if (b >= 0xE0 && b <= 0xEF && continuation(i + 1) && continuation(i + 2)) {
      const unsigned char b1 = byte(i + 1);
      length = (b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 >= 0xA0) ? 0 : 3;
    } else if (b >= 0xF0 && b <= 0xF4 && continuation(i + 1) && continuation(i + 2) &&
               continuation(i + 3)) {
      const unsigned char b1 = byte(i + 1);
      length = (b == 0xF0 && b1 < 0x90) || (b == 0xF4 && b1 >= 0x90) ? 0 : 4;
    }
    if (length > 0) {
      out.append(text.substr(i, length));
      i += length;
    } else {  // the Latin-1 character of this byte, written as UTF-8
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
      ++i;
    }
  }
  return out;
}
