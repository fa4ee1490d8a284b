#include "base/text.h"

#include <charconv>
#include <cstdlib>
#include <cmath>
#include <fstream>
#include <system_error>
#include <filesystem>

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string AsciiLowerCopy(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = AsciiLower(c);
  return result;
}

std::string AsciiUpperCopy(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = AsciiUpper(c);
  return result;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimControl(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(begin, end - begin);
}

bool ParseDecimal(std::string_view text, double& value) {
  value = 0.0;
  size_t i = 0;
  const size_t n = text.size();
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const size_t mantissaStart = i;
  size_t intDigits = 0, fracDigits = 0;
  while (i < n && IsAsciiDigit(text[i])) { ++i; ++intDigits; }
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && IsAsciiDigit(text[i])) { ++i; ++fracDigits; }
  }
  if (intDigits + fracDigits == 0) return false;
  const size_t mantissaEnd = i;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < n && IsAsciiDigit(text[i])) { ++i; ++expDigits; }
    if (expDigits == 0) return false;
  }
  if (i != n) return false;

  // The grammar has been checked, so from_chars (locale-independent) only
  // converts; it never sees a sign, "inf", "nan" or a hex form.
  const char* first = text.data() + mantissaStart;
  const char* last = text.data() + n;
  double magnitude = 0.0;
  auto [ptr, ec] = std::from_chars(first, last, magnitude, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Tell overflow from underflow by the decimal order of magnitude: the
    // position of the first non-zero mantissa digit plus the exponent.
    long long order = 0;
    bool seenNonZero = false;
    long long position = static_cast<long long>(intDigits);
    for (size_t k = mantissaStart; k < mantissaEnd; ++k) {
      if (text[k] == '.') continue;
      --position;
      if (text[k] != '0') { order = position; seenNonZero = true; break; }
    }
    if (!seenNonZero) { value = 0.0; return true; }
    long long exponent = 0;
    if (mantissaEnd < n) {
      size_t k = mantissaEnd + 1;
      bool expNegative = false;
      if (text[k] == '+' || text[k] == '-') { expNegative = text[k] == '-'; ++k; }
      for (; k < n; ++k) {
        // Capped far above any mantissa length, so the sum below keeps its sign.
        if (exponent < 1000000000000000LL) exponent = exponent * 10 + (text[k] - '0');
      }
      if (expNegative) exponent = -exponent;
    }
    if (order + exponent > 0) return false;  // overflow: not a number
    value = negative ? -0.0 : 0.0;
    return true;
  }
  if (ec != std::errc() || ptr != last) return false;
  if (!std::isfinite(magnitude)) return false;
  value = negative ? -magnitude : magnitude;
  return true;
}

bool RoundToInt32(double value, int& result) {
  result = 0;
  if (!std::isfinite(value)) return false;
  const double rounded = std::nearbyint(value);  // default rounding: halves to even
  if (rounded < -2147483648.0 || rounded > 2147483647.0) return false;
  result = static_cast<int>(rounded);
  return true;
}

bool ParseRounded(std::string_view token, int& value) {
  double number = 0;
  return ParseDecimal(token, number) && RoundToInt32(number, value);
}

std::vector<std::string_view> SplitAtBlanksAndTabs(std::string_view text) {
  std::vector<std::string_view> tokens;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) tokens.push_back(text.substr(start, i - start));
  }
  return tokens;
}

bool ReadFileText(const std::string& path, std::string& text, std::string& failure) {
  text.clear();
  failure.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    failure = "cannot open the file";
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size > 0) {
    try {
      text.resize(static_cast<size_t>(size));
    } catch (const std::exception&) {
      failure = "the file is too large to read";
      return false;
    }
    in.read(text.data(), size);
    if (in.gcount() != size) {
      text.resize(static_cast<size_t>(in.gcount()));
      failure = "read error";
      return false;
    }
  } else {
    // Files of unknown size (pipes, special files): read to the end, but
    // not without limit (a link to /dev/zero never ends).
    constexpr size_t kMaxUnsizedBytes = size_t{1} << 30;
    in.clear();
    std::string chunk(65536, '\0');
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
      text.append(chunk.data(), static_cast<size_t>(in.gcount()));
      if (text.size() > kMaxUnsizedBytes) {
        text.clear();
        failure = "the file is too large to read";
        return false;
      }
    }
    if (in.bad()) {
      failure = "read error";
      return false;
    }
  }
  return true;
}

std::string EnvironmentValue(const char* name) {
#ifdef _MSC_VER
  char* value = nullptr;
  size_t length = 0;
  if (_dupenv_s(&value, &length, name) != 0 || value == nullptr) return "";
  std::string result(value);
  std::free(value);
  return result;
#else
  const char* value = std::getenv(name);
  return value ? value : "";
#endif
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

namespace {

class TDiskFiles final : public TFileSource {
 public:
  bool Exists(const std::string& path) const override { return FileExists(path); }
  bool Read(const std::string& path, std::string& text, std::string& failure) const override {
    return ReadFileText(path, text, failure);
  }
};

}  // namespace

const TFileSource& DiskFiles() {
  static const TDiskFiles disk;
  return disk;
}

void TMemoryFiles::Add(std::string path, std::string text) {
  Files[std::move(path)] = std::move(text);
}

bool TMemoryFiles::Exists(const std::string& path) const { return Files.count(path) > 0; }

bool TMemoryFiles::Read(const std::string& path, std::string& text, std::string& failure) const {
  failure.clear();
  const auto file = Files.find(path);
  if (file == Files.end()) {
    text.clear();
    failure = "cannot open the file";
    return false;
  }
  text = file->second;
  return true;
}

std::string_view SkipUtf8Bom(std::string_view text) {
  if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
      static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF)
    text.remove_prefix(3);
  return text;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (c == '\n' || c == '\r') {
      lines.push_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < n) lines.push_back(text.substr(start));
  return lines;
}

static bool IsPathDelimiter(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\' || c == ':';
#else
  return c == '/';
#endif
}

std::string FileNameOnly(const std::string& path) {
  size_t i = path.size();
  while (i > 0 && !IsPathDelimiter(path[i - 1])) --i;
  return path.substr(i);
}

std::string FileExtension(const std::string& path) {
  const std::string name = FileNameOnly(path);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return "";
  return name.substr(dot);
}

std::string ExtensionWord(const std::string& path) {
  const std::string extension = FileExtension(path);
  return AsciiUpperCopy(extension.empty() ? extension : extension.substr(1));
}

std::string PathWithoutExtension(const std::string& path) {
  return path.substr(0, path.size() - FileExtension(path).size());
}
