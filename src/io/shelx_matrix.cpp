#include "io/shelx_matrix.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

#include "base/text.h"

namespace {

enum class TMatMode { Header, ParamList, Correlation };

constexpr int kCorrFieldWidth = 8;

// Single precision as stored by SHELXL; a value beyond the float range is
// kept as an infinity rather than converted out of range.
float ToSingle(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (value > kMax) return std::numeric_limits<float>::infinity();
  if (value < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

// Atom names of symmetry-generated or residue-qualified parameters carry a
// two-character suffix "^a".
std::string WithoutCaretSuffix(std::string_view name) {
  if (name.size() >= 2 && name[name.size() - 2] == '^') name.remove_suffix(2);
  return std::string(name);
}

int CoordinateAxis(std::string_view name) {
  if (name == "x") return 0;
  if (name == "y") return 1;
  if (name == "z") return 2;
  return -1;
}

std::string DecimalText(std::int64_t value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace

std::int64_t PackedIndex(int i, int j, int n) {
  const std::int64_t lo = std::min(i, j), hi = std::max(i, j);
  return lo * n - lo * (lo - 1) / 2 + (hi - lo);
}

std::string PrintfFixed(double value, int decimals) {
  // Wide enough for the largest double written without exponent.
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return "?";
  return std::string(buffer, result.ptr);
}

std::int64_t TMatFile::ExpectedCorrCount() const {
  const std::int64_t n = ParamCount;
  return n * (n + 1) / 2;
}

double TMatFile::ParamEsd(int index) const {
  const auto found = Params.find(index);
  return found == Params.end() ? 0.0 : found->second.Esd;
}

double TMatFile::ParamValue(int index) const {
  const auto found = Params.find(index);
  return found == Params.end() ? 0.0 : found->second.Value;
}

namespace {

// One pass over the lines of a matrix file; Load turns its outcome into the
// result.
struct TMatReader {
  TMatFile& Mat;
  const std::string& FileName;
  std::string& Error;
  TMatMode Mode = TMatMode::Header;
  bool CorrelationSeen = false;

  // Fixed-width fields of 8 columns; a trailing partial field is not read.
  bool ReadCorrelationLine(std::string_view line) {
    const std::int64_t expected = Mat.ExpectedCorrCount();
    for (size_t start = 0; start + kCorrFieldWidth <= line.size(); start += kCorrFieldWidth) {
      if (static_cast<std::int64_t>(Mat.Corr.size()) >= expected) break;
      const std::string_view field = TrimControl(line.substr(start, kCorrFieldWidth));
      double value = 0;
      if (!ParseDecimal(field, value)) {
        Error = "malformed correlation value \"" + std::string(field) + "\" in " + FileName + ".";
        return false;
      }
      Mat.Corr.push_back(ToSingle(value));
    }
    return true;
  }

  bool ReadCountLine(std::string_view line) {
    if (Mat.ParamCount > 0) return true;  // a second count line: the first stands
    const std::vector<std::string_view> tokens = SplitAtBlanksAndTabs(line);
    int count = 0;
    if (!tokens.empty() && ParseRounded(tokens[0], count)) Mat.ParamCount = count;
    if (Mat.ParamCount <= 0) {
      Mat.ParamCount = 0;
      Error = "cannot read the parameter count from " + FileName + ".";
      return false;
    }
    Mode = TMatMode::ParamList;
    return true;
  }

  // number value esd (unused) name [atom]
  void ReadParameterLine(std::string_view line) {
    const std::vector<std::string_view> tokens = SplitAtBlanksAndTabs(line);
    if (tokens.size() < 5) return;
    int number = 0;
    if (!ParseRounded(tokens[0], number)) return;
    const std::int64_t h = static_cast<std::int64_t>(number) - 1;
    if (h < 0 || h >= Mat.ParamCount) return;
    double value = 0;
    if (!ParseDecimal(tokens[1], value)) return;
    const int index = static_cast<int>(h);
    TMatParam& param = Mat.Params[index];
    param.Value = value;
    double esd = 0;
    if (ParseDecimal(tokens[2], esd)) param.Esd = esd;
    if (tokens.size() < 6) return;
    const int axis = CoordinateAxis(tokens[4]);
    if (axis < 0 || Mat.CoordCount >= Mat.ParamCount) return;
    Mat.CoordAtom.push_back(WithoutCaretSuffix(tokens[5]));
    Mat.CoordAxis.push_back(static_cast<unsigned char>(axis));
    Mat.CoordParam.push_back(index);
    ++Mat.CoordCount;
  }

  bool ReadLine(std::string_view line) {
    if (Mode == TMatMode::Correlation) return ReadCorrelationLine(line);
    if (line.find("Parameters refined") != std::string_view::npos) return ReadCountLine(line);
    if (line.find("Correlation matrix") != std::string_view::npos) {
      Mode = TMatMode::Correlation;
      CorrelationSeen = true;
      return true;
    }
    if (Mode == TMatMode::ParamList) ReadParameterLine(line);
    return true;
  }

  bool Finish() {
    if (Mat.ParamCount <= 0) {
      Error = FileName + " contains no parameter list.";
      return false;
    }
    if (!CorrelationSeen) {
      Error = FileName + " contains no correlation matrix.";
      return false;
    }
    const std::int64_t expected = Mat.ExpectedCorrCount();
    const std::int64_t found = static_cast<std::int64_t>(Mat.Corr.size());
    if (found != expected) {
      Error = FileName + ": expected " + DecimalText(expected) + " correlation elements, found " +
              DecimalText(found) + ".";
      return false;
    }
    return true;
  }
};

}  // namespace

bool TMatFile::Load(const std::string& fileName, std::string& error, const TFileSource& files) {
  *this = TMatFile{};
  error.clear();
  if (!files.Exists(fileName)) {
    error = "matrix file not found: " + fileName;
    return false;
  }
  std::string text, failure;
  if (!files.Read(fileName, text, failure)) {
    error = "cannot read " + fileName + ": " + failure;
    return false;
  }
  return LoadText(text, fileName, error);
}

bool TMatFile::LoadText(std::string_view text, const std::string& fileName, std::string& error) {
  *this = TMatFile{};
  error.clear();
  // Eight columns per coefficient bound what the file can hold.
  Corr.reserve(text.size() / kCorrFieldWidth + 1);
  TMatReader reader{*this, fileName, error};
  for (std::string_view line : SplitLines(SkipUtf8Bom(text)))
    if (!reader.ReadLine(line)) return false;
  return reader.Finish();
}

int TMatFile::ParamIndex(int atom, int axis) const {
  if (atom < 0 || static_cast<size_t>(atom) >= AtomParams.size() || axis < 0 || axis > 2)
    return -1;
  return AtomParams[static_cast<size_t>(atom)][static_cast<size_t>(axis)];
}

double TMatFile::Covariance(int i, int j) const {
  if (i < 0 || j < 0 || i >= ParamCount || j >= ParamCount) return 0.0;
  const std::int64_t position = PackedIndex(i, j, ParamCount);
  if (position >= static_cast<std::int64_t>(Corr.size())) return 0.0;
  return static_cast<double>(Corr[static_cast<size_t>(position)]) * ParamEsd(i) * ParamEsd(j);
}

namespace {

// Coordinate parameters by atom name in lower case, in list order.
std::unordered_map<std::string, std::vector<int>> CoordinatesByAtom(const TMatFile& mat) {
  std::unordered_map<std::string, std::vector<int>> byAtom;
  for (int k = 0; k < mat.CoordCount; ++k)
    byAtom[AsciiLowerCopy(mat.CoordAtom[static_cast<size_t>(k)])].push_back(k);
  return byAtom;
}

struct TDeviation {
  int Differing = 0;
  double Largest = 0;
  std::string Name;
  int Param = -1;
};

}  // namespace

bool TMatFile::CheckCoordinates(const std::vector<std::string>& labels,
                                const std::vector<TVec3>& coords, int& matchedAtoms,
                                std::string& error) {
  matchedAtoms = 0;
  error.clear();
  AtomParams.assign(labels.size(), {-1, -1, -1});
  const auto byAtom = CoordinatesByAtom(*this);
  for (size_t a = 0; a < labels.size(); ++a) {
    const auto found = byAtom.find(AsciiLowerCopy(labels[a]));
    if (found == byAtom.end()) continue;
    for (int k : found->second)
      AtomParams[a][CoordAxis[static_cast<size_t>(k)]] = CoordParam[static_cast<size_t>(k)];
  }

  static const char kAxisLetter[3] = {'x', 'y', 'z'};
  TDeviation dev;
  for (size_t a = 0; a < labels.size() && a < coords.size(); ++a) {
    const std::array<int, 3>& params = AtomParams[a];
    if (params[0] < 0 && params[1] < 0 && params[2] < 0) continue;
    ++matchedAtoms;
    for (int axis = 0; axis < 3; ++axis) {
      const int p = params[static_cast<size_t>(axis)];
      if (p < 0) continue;
      const double d = std::abs(ParamValue(p) - coords[a][static_cast<size_t>(axis)]);
      if (!(d > 0.0001)) continue;
      ++dev.Differing;
      if (d > dev.Largest) {
        dev.Largest = d;
        dev.Name = labels[a] + "." + kAxisLetter[axis];
        dev.Param = p;
      }
    }
  }

  if (dev.Differing == 0) {
    if (matchedAtoms > 0) return true;
    error = "no atom of the structure appears in the matrix file.";
    return false;
  }
  error = DecimalText(dev.Differing) + " coordinate(s) differ from the matrix file; the largest is " +
          dev.Name + " by " + PrintfFixed(dev.Largest, 5);
  const double esd = ParamEsd(dev.Param);
  if (esd > 0) error += ", i.e. " + PrintfFixed(dev.Largest / esd, 0) + " esd";
  error += ".";
  return false;
}
