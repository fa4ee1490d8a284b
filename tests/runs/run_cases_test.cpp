// Whole runs kept as data: each tests/runs/cases/<name>.args holds the
// arguments of one run, one per line, and beside it the console the run
// writes (<name>.out; JSON Lines <name>.jsonl, CSV <name>.csv, with "\n" as
// line end) and its exit status (<name>.status). The runs start in tests/,
// so that paths read data/... (the project's files) or ../../shared/...
// (the real files beside the project: the case is skipped without them).
// tools/update-run-cases.sh writes the expected files from a build.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/run.h"
#include "base/text.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path kTestsDir = fs::path(VEXORIN_SOURCE_DIR) / "tests";
const fs::path kCasesDir = kTestsDir / "runs" / "cases";

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(kCasesDir))
    if (entry.path().extension() == ".args") names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> ArgumentsOf(const std::string& name) {
  const std::string text = ReadWholeFile((kCasesDir / (name + ".args")).string());
  std::vector<std::string> args;
  for (std::string_view line : SplitLines(text)) args.emplace_back(line);
  return args;
}

// The expected console: the first of .out, .jsonl and .csv that exists.
std::string ExpectedConsole(const std::string& name) {
  for (const char* extension : {".out", ".jsonl", ".csv"}) {
    const fs::path path = kCasesDir / (name + extension);
    if (fs::exists(path)) return ReadWholeFile(path.string());
  }
  return "<no expected output for " + name + ">";
}

std::string WithNewlines(const std::string& text) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) result += text[i];
  return result;
}

#ifdef _WIN32
// The expected files hold the Linux build's full doubles (records carry the
// shortest text of each double). Another C library may round the last bits
// of a sine or a square root otherwise, so there the numbers of a record
// need only agree to 1e-9 relative; every other character must be equal.
bool SameRecordsUpToLastBits(const std::string& actual, const std::string& expected) {
  const std::regex number(R"(-?[0-9]+(\.[0-9]+)?([eE][-+]?[0-9]+)?)");
  std::sregex_token_iterator a(actual.begin(), actual.end(), number, {-1, 0});
  std::sregex_token_iterator b(expected.begin(), expected.end(), number, {-1, 0});
  const std::sregex_token_iterator end;
  for (bool isNumber = false; a != end && b != end; ++a, ++b, isNumber = !isNumber) {
    if (!isNumber) {
      if (a->str() != b->str()) return false;
      continue;
    }
    const double x = std::stod(a->str()), y = std::stod(b->str());
    if (std::fabs(x - y) > 1e-9 * std::fmax(1.0, std::fabs(y))) return false;
  }
  return a == end && b == end;
}

bool IsRecordCase(const std::string& name) {
  return !fs::exists(kCasesDir / (name + ".out"));
}

// Angles that tie (an ideal polyhedron's) may sort otherwise there too: the
// same lines in another order.
bool SameLinesInAnyOrder(const std::string& actual, const std::string& expected) {
  std::vector<std::string_view> a = SplitLines(actual), b = SplitLines(expected);
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b;
}
#endif

// Runs in tests/ and goes back to where it was.
class TWorkingDirectory {
 public:
  explicit TWorkingDirectory(const fs::path& dir) : Previous(fs::current_path()) { fs::current_path(dir); }
  ~TWorkingDirectory() { fs::current_path(Previous); }

 private:
  fs::path Previous;
};

class WholeRun : public testing::TestWithParam<std::string> {};

TEST_P(WholeRun, WritesTheExpectedConsoleAndStatus) {
  const std::string& name = GetParam();
  const std::vector<std::string> args = ArgumentsOf(name);
  TWorkingDirectory inTests(kTestsDir);
  for (const std::string& arg : args)
    if (StartsWith(arg, "../../shared/") && !fs::exists(arg)) GTEST_SKIP() << "no " << arg;
  std::ostringstream console;
  const int status = RunVexorin(args, console, DiskFiles(), TProgressOutput{});
  const std::string written = WithNewlines(console.str());
  const std::string expected = ExpectedConsole(name);
  bool same = written == expected;
#ifdef _WIN32
  same = same || (IsRecordCase(name) && SameRecordsUpToLastBits(written, expected)) ||
         SameLinesInAnyOrder(written, expected);
#endif
  if (!same) {
    EXPECT_EQ(written, expected);
  }
  EXPECT_EQ(std::to_string(status) + "\n", ReadWholeFile((kCasesDir / (name + ".status")).string()));
}

INSTANTIATE_TEST_SUITE_P(Cases, WholeRun, testing::ValuesIn(CaseNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                           return name;
                         });

}  // namespace
