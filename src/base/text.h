// Text helpers shared by every reader and writer of the program: ASCII case
// handling, trimming, strict locale-independent number reading, whole-file
// reading and line splitting.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

// Every line the program writes ends with the platform's line end.
#ifdef _WIN32
inline constexpr std::string_view kLineEnd = "\r\n";
#else
inline constexpr std::string_view kLineEnd = "\n";
#endif

char AsciiLower(char c);
char AsciiUpper(char c);
std::string AsciiLowerCopy(std::string_view text);
std::string AsciiUpperCopy(std::string_view text);
// Equality that ignores the case of the ASCII letters A to Z only.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
bool StartsWith(std::string_view text, std::string_view prefix);
bool IsAsciiLetter(char c);
bool IsAsciiDigit(char c);

// Removes every character with a code of 32 or below (as unsigned) at both ends.
std::string_view TrimControl(std::string_view text);

// Reads the whole text as one decimal number: optional sign, digits with an
// optional "." fraction (".5" and "5." are numbers, "." is not), optional
// exponent e/E with optional sign and at least one digit. No blanks, no
// comma, no "inf", "nan" or hex forms. A value that overflows a double is not
// a number; an underflow reads as 0 (with the sign kept).
bool ParseDecimal(std::string_view text, double& value);

// Rounds to the nearest integer, halves to even, and checks the 32-bit range.
bool RoundToInt32(double value, int& result);
// A decimal number (ParseDecimal) rounded by RoundToInt32.
bool ParseRounded(std::string_view token, int& value);

// The tokens of a line separated by runs of blanks and tabs.
std::vector<std::string_view> SplitAtBlanksAndTabs(std::string_view text);

// Reads a file as bytes. On failure the message says why (no file name).
bool ReadFileText(const std::string& path, std::string& text, std::string& failure);
bool FileExists(const std::string& path);

// Where input files are read from: the disk, or texts held in memory, so
// that whole runs can be made on inputs that never touch the disk.
class TFileSource {
 public:
  virtual ~TFileSource() = default;
  // A file (not a directory) exists at the path.
  virtual bool Exists(const std::string& path) const = 0;
  // The whole file; on failure the message says why (no file name).
  virtual bool Read(const std::string& path, std::string& text, std::string& failure) const = 0;
};

// FileExists and ReadFileText.
const TFileSource& DiskFiles();

// Files by their exact path; no other file exists.
class TMemoryFiles final : public TFileSource {
 public:
  void Add(std::string path, std::string text);
  bool Exists(const std::string& path) const override;
  bool Read(const std::string& path, std::string& text, std::string& failure) const override;

 private:
  std::map<std::string, std::string, std::less<>> Files;
};
// The value of an environment variable, "" when it is unset.
std::string EnvironmentValue(const char* name);

// Skips a UTF-8 byte-order mark at the start of a file's text.
std::string_view SkipUtf8Bom(std::string_view text);

// Splits at CR LF, LF or CR; a last line without a line end counts as a line,
// a final line end does not open another one.
std::vector<std::string_view> SplitLines(std::string_view text);

// The file name of a path without its directory.
std::string FileNameOnly(const std::string& path);
// The extension of the file name, with its dot ("" when there is none).
std::string FileExtension(const std::string& path);
// The extension without its dot, in upper case (RES, INS, XYZ).
std::string ExtensionWord(const std::string& path);
// The path with the extension of its file name removed.
std::string PathWithoutExtension(const std::string& path);
