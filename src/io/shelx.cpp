#include "io/shelx.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "base/text.h"
#include "crystal/elements.h"

const std::array<std::string_view, 83> ShelxCommands = {
    "TITL", "CELL", "ZERR", "LATT", "SYMM", "SFAC", "DISP", "UNIT", "LAUE", "REM",  "MORE",
    "TIME", "OMIT", "SHEL", "BASF", "TWIN", "EXTI", "SWAT", "HOPE", "MERG", "SPEC", "RESI",
    "MOVE", "ANIS", "AFIX", "HFIX", "FRAG", "FEND", "EXYZ", "EADP", "EQIV", "CONN", "PART",
    "BIND", "FREE", "DFIX", "DANG", "BUMP", "SAME", "SADI", "CHIV", "FLAT", "DELU", "SIMU",
    "DEFS", "ISOR", "NCSY", "SUMP", "BLOC", "DAMP", "STIR", "WGHT", "FVAR", "BOND", "CONF",
    "MPLA", "RTAB", "HTAB", "LIST", "ACTA", "SIZE", "TEMP", "WPDB", "FMAP", "GRID", "PLAN",
    "MOLE", "ABIN", "ANSC", "ANSR", "RIGU", "PRIG", "XNPD", "SLIM", "CGLS", "L.S.", "END",
    "HKLF", "NEUT", "ELEC", "BEDE", "LONE", "WIGL"};

bool IsShelxCommand(std::string_view word) {
  for (std::string_view command : ShelxCommands)
    if (SameTextIgnoringCase(word, command)) return true;
  return false;
}

namespace {

// The working state of one read; dropped when the read ends.
struct TShelxReadState {
  std::vector<std::string> SymmTexts;
  std::vector<std::string> Sfac;  // element of SFAC number 1 first
  std::vector<double> FreeVars;   // free variable 1 first
  int Part = 0;                   // of the last PART card
  int Latt = 1;
  bool CellSeen = false;
  bool Stop = false;
};

std::string_view TrimRightControl(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(0, end);
}

// A line ending in "=" continues on the next line; the joined text of the
// pieces (each followed by one blank) is prepended to the next card.
std::vector<std::string> JoinContinuationLines(const std::vector<std::string_view>& lines) {
  std::vector<std::string> cards;
  std::string pending;
  for (std::string_view raw : lines) {
    const std::string_view line = TrimRightControl(raw);
    if (!line.empty() && line.back() == '=') {
      pending.append(line.substr(0, line.size() - 1));
      pending.push_back(' ');
      continue;
    }
    pending.append(line);
    cards.push_back(std::move(pending));
    pending.clear();
  }
  if (!pending.empty()) cards.push_back(std::move(pending));
  return cards;
}

// The text after a four-letter keyword (TITL, SYMM), stripped.
std::string_view TextAfterKeyword(std::string_view card) {
  const std::string_view stripped = TrimControl(card);
  return TrimControl(stripped.size() > 4 ? stripped.substr(4) : std::string_view{});
}

void ReadSixCellNumbers(const std::vector<std::string_view>& tokens, double* const fields[6]) {
  for (int k = 0; k < 6; ++k) {
    double number = 0;
    if (ParseDecimal(tokens[k + 2], number)) *fields[k] = number;
  }
}

void ReadCellCard(const std::vector<std::string_view>& tokens, TShelxData& data,
                  TShelxReadState& state) {
  if (tokens.size() < 8) return;
  TCell& c = data.Cell;
  double* const fields[6] = {&c.A, &c.B, &c.C, &c.Alpha, &c.Beta, &c.Gamma};
  ReadSixCellNumbers(tokens, fields);
  state.CellSeen = true;
}

void ReadZerrCard(const std::vector<std::string_view>& tokens, TShelxData& data) {
  if (tokens.size() < 8) return;
  TCell& c = data.Cell;
  double* const fields[6] = {&c.SuA, &c.SuB, &c.SuC, &c.SuAlpha, &c.SuBeta, &c.SuGamma};
  ReadSixCellNumbers(tokens, fields);
}

void ReadLattCard(const std::vector<std::string_view>& tokens, TShelxReadState& state) {
  int latt = 0;
  if (tokens.size() >= 2 && ParseRounded(tokens[1], latt)) state.Latt = latt;
}

void ReadSymmCard(std::string_view card, TShelxReadState& state) {
  std::string text;
  for (char c : TextAfterKeyword(card))
    if (c != ' ') text.push_back(c);
  if (!text.empty()) state.SymmTexts.push_back(std::move(text));
}

// Long form "SFAC El a1 b1 ... " names one element with its scattering
// factor; the short form lists elements.
void ReadSfacCard(const std::vector<std::string_view>& tokens, TShelxReadState& state) {
  double number = 0;
  if (tokens.size() >= 3 && ParseDecimal(tokens[2], number)) {
    state.Sfac.push_back(SfacElement(tokens[1]));
    return;
  }
  for (size_t k = 1; k < tokens.size(); ++k) state.Sfac.push_back(SfacElement(tokens[k]));
}

void ReadFvarCard(const std::vector<std::string_view>& tokens, TShelxReadState& state) {
  for (size_t k = 1; k < tokens.size(); ++k) {
    double number = 0;
    if (ParseDecimal(tokens[k], number)) state.FreeVars.push_back(number);
  }
}

// An atom line: name, SFAC number, x, y, z [, sof [, U...]].
void ReadAtomCandidate(const std::vector<std::string_view>& tokens, TShelxData& data,
                       const TShelxReadState& state) {
  if (tokens.size() < 5 || IsPeakName(tokens[0])) return;
  int sfac = 0;
  if (!ParseRounded(tokens[1], sfac)) return;
  if (sfac < 1 || static_cast<size_t>(sfac) > state.Sfac.size()) return;
  double xyz[3] = {0, 0, 0};
  bool allParse = true;
  for (int k = 0; k < 3; ++k)
    if (!ParseDecimal(tokens[2 + k], xyz[k])) allParse = false;
  if (!allParse) return;

  TShelxAtom atom;
  atom.Name = std::string(tokens[0]);
  atom.Element = HydrogenForIsotopes(state.Sfac[static_cast<size_t>(sfac) - 1]);
  for (int k = 0; k < 3; ++k) atom.Frac[k] = DecodeShelxValue(xyz[k], state.FreeVars);
  double sof = 0;
  if (tokens.size() >= 6 && ParseDecimal(tokens[5], sof)) {
    atom.Occ = DecodeShelxValue(sof, state.FreeVars);
    if (!(atom.Occ > 0)) atom.Occ = 0.0;
  }
  atom.Part = state.Part;
  data.Atoms.push_back(std::move(atom));
}

void ProcessCard(std::string_view card, TShelxData& data, TShelxReadState& state) {
  const std::vector<std::string_view> tokens = SplitAtBlanksAndTabs(TrimControl(card));
  if (tokens.empty()) return;
  const std::string keyword = AsciiUpperCopy(tokens[0]);
  if (keyword == "TITL") {
    data.Title = std::string(TextAfterKeyword(card));
  } else if (keyword == "CELL") {
    ReadCellCard(tokens, data, state);
  } else if (keyword == "ZERR") {
    ReadZerrCard(tokens, data);
  } else if (keyword == "LATT") {
    ReadLattCard(tokens, state);
  } else if (keyword == "SYMM") {
    ReadSymmCard(card, state);
  } else if (keyword == "SFAC") {
    ReadSfacCard(tokens, state);
  } else if (keyword == "FVAR") {
    ReadFvarCard(tokens, state);
  } else if (keyword == "PART") {
    // PART n [sof]: the atoms after it belong to part n, until the next PART.
    int part = 0;
    state.Part = tokens.size() >= 2 && ParseRounded(tokens[1], part) ? part : 0;
  } else if (keyword == "END" || keyword == "HKLF") {
    state.Stop = true;
  } else if (!IsShelxCommand(keyword)) {
    ReadAtomCandidate(tokens, data, state);
  }
}

bool ValidateShelxData(const std::string& fileName, const TShelxData& data,
                       const TShelxReadState& state, std::string& error) {
  if (!state.CellSeen) {
    error = "no CELL card found in " + fileName + ".";
  } else if (!(data.Cell.A > 0) || !(data.Cell.B > 0) || !(data.Cell.C > 0)) {
    error = "cell parameters in " + fileName + " are unusable.";
  } else if (data.Atoms.empty()) {
    error = "no atoms found in " + fileName + ".";
  } else if (state.SymmTexts.size() > static_cast<size_t>(kMaxSymmCards)) {
    error = "too many SYMM cards in " + fileName + ".";
  }
  return error.empty();
}

std::vector<TVec3> CentringVectors(int latt) {
  const std::int64_t kind = std::llabs(static_cast<long long>(latt));
  const double h = 0.5, t1 = 1.0 / 3.0, t2 = 2.0 / 3.0;
  switch (kind) {
    case 2: return {{h, h, h}};
    case 3: return {{t2, t1, t1}, {t1, t2, t2}};
    case 4: return {{0, h, h}, {h, 0, h}, {h, h, 0}};
    case 5: return {{0, h, h}};
    case 6: return {{h, 0, h}};
    case 7: return {{h, h, 0}};
    default: return {};
  }
}

TSymOp InvertedOp(const TSymOp& op) {
  TSymOp inverted = op;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) inverted.Rot[i][j] = -op.Rot[i][j];
    inverted.Trans[i] = WrapTranslation(-op.Trans[i]);
  }
  return inverted;
}

TSymOp CentredOp(const TSymOp& op, const TVec3& centring) {
  TSymOp shifted = op;
  for (int i = 0; i < 3; ++i) shifted.Trans[i] = WrapTranslation(op.Trans[i] + centring[i]);
  return shifted;
}

bool ContainsOp(const std::vector<TSymOp>& ops, const TSymOp& op) {
  for (const TSymOp& present : ops)
    if (SameSymOp(present, op)) return true;
  return false;
}

}  // namespace

std::string SfacElement(std::string_view token) {
  std::string symbol;
  for (char c : token) {
    if (!IsAsciiLetter(c)) break;
    symbol.push_back(symbol.empty() ? AsciiUpper(c) : AsciiLower(c));
  }
  return symbol;
}

bool IsPeakName(std::string_view name) {
  if (name.size() < 2 || (name[0] != 'Q' && name[0] != 'q')) return false;
  for (char c : name.substr(1))
    if (!IsAsciiDigit(c)) return false;
  return true;
}

double DecodeShelxValue(double value, const std::vector<double>& fv) {
  if (std::abs(value) < 5) return value;
  // m stays a double: a hostile 1e300 must not be converted to an integer.
  const double m = std::floor(value / 10 + 0.5);
  const double p = value - 10 * m;
  if (m == 0) return value;  // exactly -5.0 refers to no free variable
  if (std::abs(m) == 1) return p;
  const double count = static_cast<double>(fv.size());
  if (m >= 2) return m <= count ? p * fv[static_cast<size_t>(m) - 1] : p;
  return -m <= count ? p * (fv[static_cast<size_t>(-m) - 1] - 1) : p;
}

double WrapTranslation(double t) {
  double f = t - std::trunc(t);
  if (f < -1e-9) f += 1;
  if (std::abs(f) < 1e-9 || std::abs(f - 1) < 1e-9) f = 0;
  return f;
}

bool SameSymOp(const TSymOp& a, const TSymOp& b) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (!(std::abs(a.Rot[i][j] - b.Rot[i][j]) <= 1e-6)) return false;
  // The wrapped difference lies in [0, 1): values just below 1 are
  // differences just below a whole cell edge.
  for (int i = 0; i < 3; ++i) {
    const double w = WrapTranslation(a.Trans[i] - b.Trans[i]);
    if (!(w <= 1e-6 || w >= 1 - 1e-6)) return false;
  }
  return true;
}

std::vector<TSymOp> ExpandShelxSymmetry(const std::vector<std::string>& symmTexts, int latt) {
  std::vector<TSymOp> ops{IdentityOp()};
  for (const std::string& text : symmTexts) {
    TSymOp op;
    if (!ParseSymOp(text, op)) continue;
    for (double& t : op.Trans) t = WrapTranslation(t);
    ops.push_back(op);
  }
  if (latt > 0) {
    const size_t baseCount = ops.size();
    for (size_t k = 0; k < baseCount; ++k) ops.push_back(InvertedOp(ops[k]));
  }
  std::vector<TSymOp> result = ops;
  for (const TVec3& centring : CentringVectors(latt)) {
    for (const TSymOp& op : ops) {
      TSymOp shifted = CentredOp(op, centring);
      if (!ContainsOp(result, shifted)) result.push_back(std::move(shifted));
    }
  }
  for (size_t k = 0; k < result.size(); ++k) {
    result[k].OpNum = static_cast<int>(k + 1);
    result[k].Code = std::to_string(k + 1) + "_555";
  }
  return result;
}

bool SymOpsDistinct(const std::vector<TSymOp>& ops) {
  for (size_t i = 0; i < ops.size(); ++i)
    for (size_t k = 0; k < i; ++k)
      if (SameSymOp(ops[i], ops[k])) return false;
  return true;
}

int SiteSymmetryOrder(const TVec3& frac, const std::vector<TSymOp>& ops, bool opsDistinct) {
  std::vector<const TSymOp*> fixing;
  for (const TSymOp& op : ops) {
    const TVec3 image = ApplyOp(op, frac);
    bool onSite = true;
    for (int i = 0; i < 3; ++i) {
      const double d = image[i] - frac[i];
      if (!(std::abs(d - std::round(d)) <= 0.001)) onSite = false;
    }
    if (!onSite) continue;
    bool repeated = false;
    if (!opsDistinct)
      for (const TSymOp* counted : fixing)
        if (SameSymOp(*counted, op)) repeated = true;
    if (!repeated) fixing.push_back(&op);
  }
  return static_cast<int>(fixing.size());
}

bool ReadShelxFile(const std::string& fileName, TShelxData& data, std::string& error,
                   const TFileSource& files) {
  std::string text, failure;
  if (!files.Read(fileName, text, failure)) {
    data = TShelxData{};
    error = "cannot read " + fileName + ": " + failure;
    return false;
  }
  return ReadShelxText(text, fileName, data, error);
}

bool ReadShelxText(std::string_view text, const std::string& fileName, TShelxData& data,
                   std::string& error) {
  data = TShelxData{};
  error.clear();
  const std::vector<std::string> cards = JoinContinuationLines(SplitLines(SkipUtf8Bom(text)));
  TShelxReadState state;
  for (const std::string& card : cards) {
    ProcessCard(card, data, state);
    if (state.Stop) break;
  }
  if (!ValidateShelxData(fileName, data, state, error)) return false;
  data.SymOps = ExpandShelxSymmetry(state.SymmTexts, state.Latt);
  return true;
}
