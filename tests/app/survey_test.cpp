// Whole surveys (--all) and records of single runs (--format=json|csv): the
// centres found, the three output formats, failures that do not stop the
// survey, the options around them and the progress line.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <stdexcept>

#include "support/survey_structures.h"
#include "support/test_support.h"

namespace {

using nlohmann::json;

const std::string kE(kLineEnd);

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string ThreeCentres() { return TestDataFile("runs/Survey/three_centres.cif"); }

// Sets a locale with a decimal comma for the life of the object; Active()
// is false when the machine has none.
class TDecimalCommaLocale {
 public:
  TDecimalCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"}) {
      if (std::setlocale(LC_ALL, name) == nullptr) continue;
      try {
        std::locale::global(std::locale(name));
      } catch (const std::runtime_error&) {
        std::setlocale(LC_ALL, "C");
        continue;
      }
      Set = std::localeconv()->decimal_point[0] == ',';
      return;
    }
  }
  ~TDecimalCommaLocale() {
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, "C");
  }
  bool Active() const { return Set; }

 private:
  bool Set = false;
};

}  // namespace

TEST(Survey, ShelxWithItsMatrixAndXyzInputGiveTheirSuSourceAndWarnings) {
  const std::string res = RealDataFile("shelx/dom1_mC.res");
  const std::string mat = RealDataFile("mat/dom1_mC.mat");
  const std::string xyz = RealDataFile("xyz/orca_NiCO4_trj_7frames.xyz");
  if (res.empty()) GTEST_SKIP() << "no real data";
  const std::string pair = WriteScratchFile("pair/dom1_mC.res", ReadWholeFile(res));
  WriteScratchFile("pair/dom1_mC.mat", ReadWholeFile(mat));
  const std::string lone = WriteScratchFile("lone/dom1_mC.res", ReadWholeFile(res));

  // The CIF of the same stem does not exist: the .res is found from it.
  const std::string typed = ScratchDir() + "/pair/dom1_mC.cif";
  const TRunResult run = RunProgram({"--all", typed, lone, xyz, "--format=json"});
  EXPECT_EQ(run.Status, 0);
  const std::vector<json> records = JsonLines(run.Console);
  ASSERT_EQ(records.size(), 5u) << run.Console;
  EXPECT_EQ(records[0]["file"], typed);
  EXPECT_EQ(records[0]["block"], "");
  EXPECT_EQ(records[0]["centre"], "FE01");
  EXPECT_EQ(records[0]["cn"], 6);  // without the Fe...Fe contacts
  EXPECT_EQ(records[0]["su_source"], "matrix");
  EXPECT_TRUE(records[0]["ligands"][0]["distance_su"].is_number());
  EXPECT_EQ(records[0]["warnings"], json::array());
  EXPECT_EQ(records[2]["su_source"], "none");
  EXPECT_TRUE(records[2]["ligands"][0]["distance_su"].is_null());
  EXPECT_EQ(records[2]["warnings"],
            json::array({"no standard uncertainties: a SHELX RES file holds none; put the matrix "
                         "file dom1_mC.mat beside it, or use the CIF."}));
  const json& nickel = records[4];
  EXPECT_EQ(nickel["centre"], "Ni2");
  EXPECT_EQ(nickel["block"], "");
  EXPECT_EQ(nickel["shape"], "nearly tetrahedral");
  EXPECT_TRUE(nickel["tau4_su"].is_null());
  EXPECT_EQ(nickel["warnings"],
            json::array({"the file holds 7 structures; the first one is used.",
                         "no standard uncertainties: an XYZ file holds Cartesian coordinates only."}));
}

TEST(Survey, BriefChangesNothingAndOutWritesTheSameLines) {
  const std::string path = ThreeCentres();
  const TRunResult plain = RunProgram({"--all", path});
  EXPECT_EQ(RunProgram({"--all", path, "--brief"}).Console, plain.Console);
  const std::string out = ScratchDir() + "/survey_out.jsonl";
  const TRunResult json = RunProgram({"--all", path, "--format=json", "--brief", "out=" + out});
  EXPECT_EQ(json.Status, 0);
  EXPECT_EQ(ReadWholeFile(out), json.Console);
  EXPECT_EQ(JsonLines(json.Console).size(), 3u);
}

TEST(Survey, NumbersDoNotChangeUnderADecimalCommaLocale) {
  const std::string path = ThreeCentres();
  const TRunResult json = RunProgram({"--all", path, "--format=json"});
  const TRunResult csv = RunProgram({"--all", path, "--format=csv"});
  const TRunResult text = RunProgram({"--all", path});
  TDecimalCommaLocale comma;
  if (!comma.Active()) GTEST_SKIP() << "no locale with a decimal comma installed";
  EXPECT_EQ(RunProgram({"--all", path, "--format=json"}).Console, json.Console);
  EXPECT_EQ(RunProgram({"--all", path, "--format=csv"}).Console, csv.Console);
  EXPECT_EQ(RunProgram({"--all", path}).Console, text.Console);
}

TEST(Survey, ProgressLineOnATerminalCountsFilesAndCentresAndIsClearedAtTheEnd) {
  const std::string path = ThreeCentres();
  std::ostringstream progressText;
  double now = 100.0;
  TProgressOutput progress;
  progress.Stream = &progressText;
  progress.Seconds = [&now] { return now += 1.0; };
  const TRunResult run = RunWithProgress({"--all", path, path, "--format=json"}, progress);
  EXPECT_EQ(JsonLines(run.Console).size(), 6u);
  const std::string shown = progressText.str();
  EXPECT_TRUE(StartsWith(shown, "\rvexorin: 0 of 2 files, 0 centres, 0:00")) << shown;
  EXPECT_TRUE(Contains(shown, "\rvexorin: 1 of 2 files, 3 centres, 0:01")) << shown;
  EXPECT_TRUE(Contains(shown, "\rvexorin: 2 of 2 files, 6 centres, 0:02")) << shown;
  const std::string last = "vexorin: 2 of 2 files, 6 centres, 0:02";
  EXPECT_TRUE(shown.size() >= last.size() + 2 &&
              shown.substr(shown.size() - last.size() - 2) ==
                  std::string("\r").append(last.size(), ' ').append("\r"))
      << shown;
  EXPECT_FALSE(Contains(run.Console, "vexorin:"));

  // One file, or no terminal: no progress line at all.
  std::ostringstream single;
  progress.Stream = &single;
  RunWithProgress({"--all", path, "--format=json"}, progress);
  EXPECT_EQ(single.str(), "");
  EXPECT_EQ(ProgressText(3, 40, 12, 3725.5), "vexorin: 3 of 40 files, 12 centres, 1:02:05");
}

