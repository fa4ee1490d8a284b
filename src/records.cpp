#include "records.h"

#include <charconv>
#include <cmath>
#include <map>
#include <utility>

#include <nlohmann/json.hpp>

#include "indices.h"

namespace {

// The value of one record field as both writers see it.
struct TFieldValue {
  enum class TKind { Null, Integer, Number, Text, Texts, Ligands, NamedNumbers };
  TKind Kind = TKind::Null;
  long long Integer = 0;
  double Number = 0;
  std::string Text;
  std::vector<std::string> Texts;
  const TLigArray* Ligands = nullptr;
  bool LigandSu = false;  // the ligands' distance su are meaningful
  // An object of named numbers. Its names are known also when it is absent
  // (null), since CSV gives each number a column of its own, named
  // CsvPrefix + "_" + name with blanks as underscores.
  std::vector<std::pair<std::string, double>> Named;
  bool Present = true;
  std::string CsvPrefix;
};

struct TField {
  std::string_view Name;
  TFieldValue Value;
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

TFieldValue Texts(std::vector<std::string> texts) {
  TFieldValue v;
  v.Kind = TFieldValue::TKind::Texts;
  v.Texts = std::move(texts);
  return v;
}

TFieldValue Ligands(const TLigArray& ligands, TSuSource source) {
  TFieldValue v;
  v.Kind = TFieldValue::TKind::Ligands;
  v.Ligands = &ligands;
  v.LigandSu = source != TSuSource::None;
  return v;
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
  return {
      {"file", Text(r.File)},
      {"block", OptionalText(r.Block)},
      {"centre", OptionalText(r.Centre)},
      {"element", Text(r.Element)},
      {"cn", Integer(static_cast<long long>(r.Ligands.size()))},
      {"ligands", Ligands(r.Ligands, su)},
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
  };
}

std::vector<TField> ErrorFields(const TCentreResult& r) {
  return {
      {"file", Text(r.File)},
      {"block", OptionalText(r.Block)},
      {"centre", OptionalText(r.Centre)},
      {"error", Text(r.Error)},
  };
}

std::vector<TField> RecordFields(const TCentreResult& r) {
  return Failed(r) ? ErrorFields(r) : ResultFields(r);
}

// ------------------------------------------------------------- JSON

void AppendJsonString(std::string& out, std::string_view text) {
  // Labels and file names may hold any bytes; the replacing handler writes
  // U+FFFD for what is no valid UTF-8 instead of throwing.
  out += nlohmann::json(std::string(text)).dump(-1, ' ', false,
                                                nlohmann::json::error_handler_t::replace);
}

void AppendJsonNumber(std::string& out, double value) { out += ShortestNumberText(value); }

void AppendJsonLigands(std::string& out, const TLigArray& ligands, bool withSu) {
  out += '[';
  for (size_t i = 0; i < ligands.size(); ++i) {
    const TLigand& ligand = ligands[i];
    if (i > 0) out += ',';
    out += "{\"label\":";
    AppendJsonString(out, ligand.Label);
    out += ",\"code\":";
    AppendJsonString(out, ligand.Site.Op.Code);
    out += ",\"distance\":";
    AppendJsonNumber(out, ligand.Dist);
    out += ",\"distance_su\":";
    if (withSu && ligand.DistSu > 0)
      AppendJsonNumber(out, ligand.DistSu);
    else
      out += "null";
    out += '}';
  }
  out += ']';
}

void AppendJsonValue(std::string& out, const TFieldValue& v) {
  using TKind = TFieldValue::TKind;
  switch (v.Kind) {
    case TKind::Null: out += "null"; return;
    case TKind::Integer: out += std::to_string(v.Integer); return;
    case TKind::Number: AppendJsonNumber(out, v.Number); return;
    case TKind::Text: AppendJsonString(out, v.Text); return;
    case TKind::Texts:
      out += '[';
      for (size_t i = 0; i < v.Texts.size(); ++i) {
        if (i > 0) out += ',';
        AppendJsonString(out, v.Texts[i]);
      }
      out += ']';
      return;
    case TKind::Ligands: AppendJsonLigands(out, *v.Ligands, v.LigandSu); return;
    case TKind::NamedNumbers:
      if (!v.Present) {
        out += "null";
        return;
      }
      out += '{';
      for (size_t i = 0; i < v.Named.size(); ++i) {
        if (i > 0) out += ',';
        AppendJsonString(out, v.Named[i].first);
        out += ':';
        AppendJsonNumber(out, v.Named[i].second);
      }
      out += '}';
      return;
  }
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

std::string LigandNamesText(const TLigArray& ligands) {
  std::string text;
  for (const TLigand& ligand : ligands) {
    if (!text.empty()) text += ' ';
    text += LigandDisplayName(ligand);
  }
  return text;
}

std::string JoinedTexts(const std::vector<std::string>& texts) {
  std::string text;
  for (const std::string& part : texts) {
    if (!text.empty()) text += " | ";
    text += part;
  }
  return text;
}

using TCsvCells = std::vector<std::pair<std::string, std::string>>;  // column, cell

void AppendCsvCells(TCsvCells& cells, const TField& field) {
  using TKind = TFieldValue::TKind;
  const TFieldValue& v = field.Value;
  const std::string name(field.Name);
  switch (v.Kind) {
    case TKind::Null: cells.emplace_back(name, ""); return;
    case TKind::Integer: cells.emplace_back(name, std::to_string(v.Integer)); return;
    case TKind::Number: cells.emplace_back(name, CsvNumber(v.Number)); return;
    case TKind::Text: cells.emplace_back(name, v.Text); return;
    case TKind::Texts: cells.emplace_back(name, JoinedTexts(v.Texts)); return;
    case TKind::Ligands: cells.emplace_back(name, LigandNamesText(*v.Ligands)); return;
    case TKind::NamedNumbers:
      for (const auto& [key, number] : v.Named)
        cells.emplace_back(CsvColumnName(v.CsvPrefix, key), v.Present ? CsvNumber(number) : "");
      return;
  }
}

TCsvCells CsvCells(const std::vector<TField>& fields) {
  TCsvCells cells;
  for (const TField& field : fields) AppendCsvCells(cells, field);
  return cells;
}

// The columns: those of a result, then the error message.
std::vector<std::string> CsvColumns() {
  std::vector<std::string> columns;
  for (const auto& cell : CsvCells(ResultFields(TCentreResult{}))) columns.push_back(cell.first);
  columns.emplace_back("error");
  return columns;
}

const std::vector<std::string>& Columns() {
  static const std::vector<std::string> columns = CsvColumns();
  return columns;
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

bool Failed(const TCentreResult& result) { return !result.Error.empty(); }

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

std::string JsonRecord(const TCentreResult& result) {
  std::string line = "{";
  bool first = true;
  for (const TField& field : RecordFields(result)) {
    if (!first) line += ',';
    first = false;
    AppendJsonString(line, field.Name);
    line += ':';
    AppendJsonValue(line, field.Value);
  }
  line += '}';
  return line;
}

std::string CsvHeader() { return CsvLine(Columns()); }

std::string CsvRecord(const TCentreResult& result) {
  std::map<std::string, std::string, std::less<>> byColumn;
  for (auto& [column, cell] : CsvCells(RecordFields(result))) byColumn[column] = std::move(cell);
  std::vector<std::string> cells;
  for (const std::string& column : Columns()) {
    const auto cell = byColumn.find(column);
    cells.push_back(cell == byColumn.end() ? std::string() : cell->second);
  }
  return CsvLine(cells);
}

std::string RecordLine(TOutputFormat format, const TCentreResult& result) {
  return format == TOutputFormat::Csv ? CsvRecord(result) : JsonRecord(result);
}
