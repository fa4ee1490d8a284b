// Whole runs kept as data: each tests/runs/cases/<name>.args holds the
// arguments of one run, one per line, and beside it the console the run
// writes (<name>.out; JSON Lines <name>.jsonl, CSV <name>.csv, with "\n" as
// line end) and its exit status (<name>.status). The runs start in tests/,
// so that paths read data/... (the project's files) or ../../shared/...
// (the real files beside the project: the case is skipped without them).
// tools/update-run-cases.sh writes the expected files from a build.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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
  EXPECT_EQ(WithNewlines(console.str()), ExpectedConsole(name));
  EXPECT_EQ(std::to_string(status) + "\n", ReadWholeFile((kCasesDir / (name + ".status")).string()));
}

INSTANTIATE_TEST_SUITE_P(Cases, WholeRun, testing::ValuesIn(CaseNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                           return name;
                         });

}  // namespace
