#include "io/xyz.h"

#include <charconv>
#include <map>
#include <system_error>
#include <utility>

#include "crystal/cell.h"
#include "crystal/elements.h"
#include "crystal/vector.h"
#include "base/text.h"

namespace {

bool IsFieldSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }

// Walks the lines of a file's text one at a time (CR LF, LF or CR, as
// SplitLines does) instead of building a table of every line first: a file
// of nothing but line ends would otherwise cost many times its own size.
class TXyzLines {
 public:
  explicit TXyzLines(std::string_view text) : Text(text) {}

  // The next line and its 0-based index. Lines past the range of a 32-bit
  // line number (a file of billions of lines) are treated as absent.
  bool Next(std::string_view& line) {
    if (Pos >= Text.size() || NextIndex == std::numeric_limits<int>::max()) return false;
    size_t end = Pos;
    while (end < Text.size() && Text[end] != '\n' && Text[end] != '\r') ++end;
    line = Text.substr(Pos, end - Pos);
    if (end < Text.size()) {
      if (Text[end] == '\r' && end + 1 < Text.size() && Text[end + 1] == '\n') ++end;
      ++end;
    }
    Pos = end;
    Index = NextIndex++;
    return true;
  }

  int Index = -1;  // of the line last returned

 private:
  std::string_view Text;
  size_t Pos = 0;
  int NextIndex = 0;
};

bool Fail(std::string& error, std::string message) {
  error = std::move(message);
  return false;
}

std::string LineNumberText(int index) { return std::to_string(index + 1); }

std::string AtomLineMessage(const std::string& path, int index, std::string_view line) {
  return path + ", line " + LineNumberText(index) + ": expected \"element x y z\", found \"" +
         std::string(TrimControl(line)) + "\".";
}

std::string UnknownElementMessage(const std::string& path, int index, std::string_view field) {
  return path + ", line " + LineNumberText(index) + ": unknown element \"" + std::string(field) +
         "\".";
}

// FE and fe become Fe.
std::string CapitalisedSymbol(std::string_view letters) {
  std::string result = AsciiLowerCopy(letters);
  if (!result.empty()) result[0] = AsciiUpper(result[0]);
  return result;
}

// Reads fields 2 to 4 of an atom line; false when any is not a number.
bool ReadCoordinates(const std::vector<std::string_view>& fields, TXyzAtom& atom) {
  return ParseXyzNumber(fields[1], atom.X) && ParseXyzNumber(fields[2], atom.Y) &&
         ParseXyzNumber(fields[3], atom.Z);
}

// Reads the atom lines of the first structure, up to count atoms or the end
// of the file. Atoms are added as they are found, never reserved for the
// announced count, which may be far larger than the file.
bool ReadAtomLines(const std::string& path, int count, TXyzLines& lines, TXyzData& data,
                   std::string& error) {
  std::string_view line;
  while (static_cast<int>(data.Atoms.size()) < count && lines.Next(line)) {
    const std::vector<std::string_view> fields = SplitXyzFields(line, 4);
    if (fields.empty()) continue;
    TXyzAtom atom;
    if (fields.size() < 4 || !ReadCoordinates(fields, atom))
      return Fail(error, AtomLineMessage(path, lines.Index, line));
    bool isLabel = false;
    XyzElement(fields[0], atom.Element, isLabel);
    if (atom.Element.empty()) return Fail(error, UnknownElementMessage(path, lines.Index, fields[0]));
    if (isLabel) {
      atom.Label = std::string(fields[0]);
      data.HasLabels = true;
    }
    atom.Line = lines.Index;
    data.Atoms.push_back(std::move(atom));
  }
  return true;
}

// 1 plus every later line that holds the atom count alone: the count lines
// of further frames (an optimisation trajectory, say).
int CountStructures(int count, TXyzLines& lines) {
  int structures = 1;
  std::string_view line;
  while (lines.Next(line)) {
    const std::vector<std::string_view> fields = SplitXyzFields(line, 2);
    int value = 0;
    if (fields.size() == 1 && ParseXyzWholeNumber(fields[0], value) && value == count) ++structures;
  }
  return structures;
}

std::string ElementKey(const std::string& element) { return AsciiLowerCopy(element); }

// A mixed file keeps the file's labels; an unlabelled atom that is the only
// unlabelled one of its element gets the bare symbol (a lone Fe among labelled
// ligands is simply Fe), the others element + line index.
void NameMixedFileAtoms(const std::vector<size_t>& unlabelled, std::vector<TXyzAtom>& atoms) {
  std::map<std::string, int> perElement;
  for (size_t i : unlabelled) ++perElement[ElementKey(atoms[i].Element)];
  for (size_t i : unlabelled) {
    TXyzAtom& atom = atoms[i];
    atom.Label = perElement[ElementKey(atom.Element)] == 1
                     ? atom.Element
                     : atom.Element + std::to_string(atom.Line);
  }
}

void NameBySchemeAtoms(TXyzNaming naming, std::vector<TXyzAtom>& atoms) {
  std::map<std::string, int> perElement;
  for (size_t i = 0; i < atoms.size(); ++i) {
    TXyzAtom& atom = atoms[i];
    switch (naming) {
      case TXyzNaming::Olex:
        atom.Label = atom.Element + std::to_string(atom.Line);
        break;
      case TXyzNaming::Position:
        atom.Label = atom.Element + std::to_string(i + 1);
        break;
      case TXyzNaming::Element:
        atom.Label = atom.Element + std::to_string(++perElement[ElementKey(atom.Element)]);
        break;
    }
  }
}

void NameUnlabelledAtoms(TXyzNaming naming, TXyzData& data) {
  if (!data.HasLabels) {
    NameBySchemeAtoms(naming, data.Atoms);
    return;
  }
  std::vector<size_t> unlabelled;
  for (size_t i = 0; i < data.Atoms.size(); ++i)
    if (data.Atoms[i].Label.empty()) unlabelled.push_back(i);
  NameMixedFileAtoms(unlabelled, data.Atoms);
}

}  // namespace

std::vector<std::string_view> SplitXyzFields(std::string_view line, std::size_t maxFields) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < line.size() && fields.size() < maxFields) {
    while (i < line.size() && IsFieldSeparator(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !IsFieldSeparator(line[i])) ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

bool ParseXyzNumber(std::string_view field, double& value) {
  std::string text(field);
  const size_t upper = text.find('D');
  if (upper != std::string::npos) text[upper] = 'E';
  const size_t lower = text.find('d');
  if (lower != std::string::npos) text[lower] = 'e';
  return ParseDecimal(text, value);
}

bool ParseXyzWholeNumber(std::string_view field, int& value) {
  value = 0;
  // from_chars reads a "-" itself but not a "+".
  const bool plus = !field.empty() && field[0] == '+';
  if (plus) field.remove_prefix(1);
  const bool minus = !plus && !field.empty() && field[0] == '-';
  const std::string_view digits = minus ? field.substr(1) : field;
  if (digits.empty()) return false;
  for (char c : digits)
    if (!IsAsciiDigit(c)) return false;
  int parsed = 0;
  const auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), parsed);
  if (ec != std::errc() || ptr != field.data() + field.size()) return false;
  value = parsed;
  return true;
}

void XyzElement(std::string_view field, std::string& element, bool& isLabel) {
  element.clear();
  isLabel = false;
  int atomicNumber = 0;
  if (ParseXyzWholeNumber(field, atomicNumber)) {
    element = ElementSymbol(atomicNumber);
    return;
  }
  const std::string letters = LeadingLetters(field);
  isLabel = field.size() > letters.size();
  if (letters.empty()) return;
  const std::string symbol = CapitalisedSymbol(letters);
  if (isLabel)
    element = ElementFromLabel(symbol);
  else if (IsElement(symbol))
    element = symbol;
}

bool ReadXyzFile(const std::string& path, TXyzNaming naming, TXyzData& data, std::string& error,
                 const TFileSource& files) {
  data = TXyzData{};
  error.clear();
  if (!files.Exists(path)) return Fail(error, "file not found: " + path);
  std::string text, failure;
  if (!files.Read(path, text, failure))
    return Fail(error, "cannot read " + path + ": " + failure);
  return ReadXyzText(text, path, naming, data, error);
}

bool ReadXyzText(std::string_view text, const std::string& path, TXyzNaming naming,
                 TXyzData& data, std::string& error) {
  data = TXyzData{};
  error.clear();
  TXyzLines lines(SkipUtf8Bom(text));
  std::string_view countLine;
  bool hasCountLine = false;
  while (!hasCountLine && lines.Next(countLine)) hasCountLine = !TrimControl(countLine).empty();
  if (!hasCountLine) return Fail(error, path + " is empty.");

  const std::vector<std::string_view> countFields = SplitXyzFields(countLine, 1);
  int count = 0;
  if (countFields.empty() || !ParseXyzWholeNumber(countFields[0], count) || count < 1)
    return Fail(error, path + ": the first line must contain the number of atoms.");

  std::string_view commentLine;
  if (lines.Next(commentLine)) data.Comment = std::string(TrimControl(commentLine));

  if (!ReadAtomLines(path, count, lines, data, error)) return false;
  const int atomsFound = static_cast<int>(data.Atoms.size());
  if (atomsFound < count)
    return Fail(error, path + ": " + std::to_string(count) + " atoms announced, only " +
                           std::to_string(atomsFound) + " found.");

  data.StructureCount = CountStructures(count, lines);
  NameUnlabelledAtoms(naming, data);
  return true;
}
