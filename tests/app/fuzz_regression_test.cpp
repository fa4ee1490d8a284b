// Every input that fuzzing found a fault with (fuzz/regressions/TARGET/)
// runs through the whole program and ends in a report or a clean error.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "../../fuzz/run_input.h"
#include "app/command_line.h"
#include "app/run.h"
#include "support/test_support.h"

namespace {

// The whole run that stands for an input of the given target: reader inputs
// become the input file of a run with the first name-like word as centre.
fuzzrun::TFuzzRun RunFor(const std::string& target, const std::string& input) {
  if (target == "cli") {
    fuzzrun::TFuzzRun run;
    const std::vector<std::string> pieces = SplitCommandLine(input);
    if (pieces.empty()) return run;
    run.Args.assign(pieces.begin() + 1, pieces.end());
    run.Usable = true;
    return run;
  }
  std::string bytes;
  if (target == "run") {
    bytes = input;
  } else {
    const char kind = target == "cif" ? 0 : target == "shelx" ? 1 : target == "mat" ? 2 : 3;
    bytes = std::string{kind, 0, 0, 0};
    if (target == "mat" && input.find('\f') == std::string::npos)
      bytes += std::string(fuzzrun::kFixedMatrixStructure) + '\f';
    bytes += input;
  }
  return fuzzrun::MakeFuzzRun(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

TEST(FuzzRegressions, EveryFoundInputEndsInAReportOrACleanError) {
  const std::filesystem::path root = std::filesystem::path(VEXORIN_SOURCE_DIR) / "fuzz" / "regressions";
  if (!std::filesystem::exists(root)) GTEST_SKIP() << "no regression inputs";
  int replayed = 0;
  for (const auto& folder : std::filesystem::directory_iterator(root)) {
    if (!folder.is_directory()) continue;
    const std::string target = folder.path().filename().string();
    for (const auto& file : std::filesystem::directory_iterator(folder.path())) {
      const std::string input = ReadWholeFile(file.path().string());
      const fuzzrun::TFuzzRun run = RunFor(target, input);
      if (!run.Usable) continue;
      std::ostringstream console;
      const int status = RunVexorin(run.Args, console, run.Files);
      const std::string what = target + "/" + file.path().filename().string();
      EXPECT_TRUE(status == 0 || status == 1 || status == 2) << what;
      EXPECT_FALSE(console.str().empty()) << what;
      if (input.find("unexpected failure") == std::string::npos) {
        EXPECT_EQ(console.str().find("unexpected failure"), std::string::npos)
            << what << "\n" << console.str();
      }
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}
