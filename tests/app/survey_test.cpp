// Whole surveys (--all) and records of single runs (--format=json|csv): the
// centres found, the three output formats, failures that do not stop the
// survey, the options around them and the progress line.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <stdexcept>

#include "survey_structures.h"
#include "test_support.h"

namespace {

using nlohmann::json;

const std::string kE(kLineEnd);

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string ThreeCentres() { return WriteScratchFile("three_centres.cif", kThreeCentresCif); }

// A tiny c edge: 1000 lattice spacings are 4 A, so the K centre's search
// radius (2.03 + 2.03 + 0.40 A) is refused while the file itself reads.
const char* kBrokenCentreCif =
    "data_thin\n_cell_length_a 10\n_cell_length_b 10\n_cell_length_c 0.004\n"
    "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
    "K1 0.5 0.5 0.5\nO1 0.7 0.5 0.5\n";

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

TEST(Survey, EveryMetalCentreInFileOrderWithTheBriefLineOrItsCnAndLigands) {
  const std::string path = ThreeCentres();
  const TRunResult run = RunProgram({"--all", path});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Console,
            Lines({path + ": Zn1: CN 4, tau4 = 0.9990(18), tau4' = 0.9986(11)  [Cl2 Cl3 Cl4 Cl1]",
                   path + ": Cu1: CN 5, tau5 = 0.142(7)  [N3 N2 N4 N1 O1]",
                   path + ": Co1: CN 6  [O2 O3 O4 O5 O6 O7]"}));
}

TEST(Survey, JsonLinesHoldOneRecordPerCentreWithTheFieldsInOrder) {
  const std::string path = ThreeCentres();
  const TRunResult run = RunProgram({"--all", path, "--format=json"});
  EXPECT_EQ(run.Status, 0);
  const std::vector<json> records = JsonLines(run.Console);
  ASSERT_EQ(records.size(), 3u);
  const std::vector<std::string> order = {
      "file",     "block",    "centre",        "element", "cn",     "ligands",  "beta",
      "beta_su",  "alpha",    "alpha_su",      "tau4",    "tau4_su", "tau4_prime",
      "tau4_prime_su", "tau5", "tau5_su",      "shape",   "weights", "su_source", "warnings"};
  // The keys in the order written (nlohmann's object sorts them).
  const std::string first = OutputLines(run.Console)[0];
  size_t at = 0;
  for (const std::string& key : order) {
    const size_t found = first.find("\"" + key + "\":", at);
    ASSERT_NE(found, std::string::npos) << key;
    at = found;
  }
  const json& zn = records[0];
  EXPECT_EQ(zn["file"], path);
  EXPECT_EQ(zn["block"], "three_centres");
  EXPECT_EQ(zn["centre"], "Zn1");
  EXPECT_EQ(zn["element"], "Zn");
  EXPECT_TRUE(zn["cn"].is_number_integer());
  EXPECT_EQ(zn["cn"], 4);
  EXPECT_EQ(zn["ligands"][0]["label"], "Cl2");
  EXPECT_EQ(zn["ligands"][0]["code"], "1_555");
  EXPECT_TRUE(zn["ligands"][0]["distance_su"].is_number_float());
  EXPECT_EQ(zn["beta"], 109.61);
  EXPECT_EQ(zn["shape"], "nearly tetrahedral");
  EXPECT_TRUE(zn["tau5"].is_null());
  EXPECT_TRUE(zn["weights"]["tetrahedral"].is_number());
  EXPECT_TRUE(zn["weights"].contains("square planar"));
  EXPECT_EQ(zn["su_source"], "cif");
  EXPECT_EQ(zn["warnings"], json::array());

  const json& cu = records[1];
  EXPECT_EQ(cu["cn"], 5);
  EXPECT_TRUE(cu["tau4"].is_null());
  EXPECT_TRUE(cu["weights"].is_null());
  EXPECT_EQ(cu["shape"], "distorted square pyramidal");

  const json& co = records[2];
  EXPECT_EQ(co["cn"], 6);
  EXPECT_EQ(co["ligands"].size(), 6u);
  for (const char* key : {"beta", "alpha", "tau4", "tau4_prime", "tau5", "shape", "weights"})
    EXPECT_TRUE(co[key].is_null()) << key;
  EXPECT_FALSE(co.contains("error"));
}

TEST(Survey, CsvHasOneHeaderAndOneRowPerCentreWithEmptyCellsForNull) {
  const std::string path = ThreeCentres();
  const TRunResult run = RunProgram({"--all", path, "format=csv"});
  EXPECT_EQ(run.Status, 0);
  const std::vector<std::string> lines = OutputLines(run.Console);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0],
            "file,input,block,centre,element,cn,ligands,beta,beta_su,alpha,alpha_su,tau4,tau4_su,"
            "tau4_prime,tau4_prime_su,tau5,tau5_su,shape,weight_square_planar,weight_seesaw,"
            "weight_tetrahedral,su_source,warnings,sphere,excluded,angles,error");
  EXPECT_TRUE(StartsWith(lines[1], path + "," + path +
                                       ",three_centres,Zn1,Zn,4,Cl2 Cl3 Cl4 Cl1,109.61,"))
      << lines[1];
  EXPECT_EQ(lines[3],
            path + "," + path + ",three_centres,Co1,Co,6,O2 O3 O4 O5 O6 O7,,,,,,,,,,,,,,,cif,,chemical,,,");
}

TEST(Survey, ElementsReplaceTheMetalsAndBlockChoosesOneBlock) {
  const std::string path = ThreeCentres();
  TRunResult run = RunProgram({"--all", path, "--elements=co, ZN"});
  EXPECT_EQ(OutputLines(run.Console).size(), 2u) << run.Console;
  EXPECT_TRUE(Contains(run.Console, ": Zn1: ")) << run.Console;
  EXPECT_TRUE(Contains(run.Console, ": Co1: ")) << run.Console;
  run = RunProgram({"--all", path, "elements=Cl", "--tol=0.1"});
  EXPECT_EQ(OutputLines(run.Console).size(), 4u) << run.Console;

  const std::string blocks = WriteScratchFile(
      "two_blocks.cif", std::string(kThreeCentresCif) + "data_second\n_cell_length_a 10\n"
                        "_cell_length_b 10\n_cell_length_c 10\nloop_\n_atom_site_label\n"
                        "_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\nFe9 0 0 0\n");
  run = RunProgram({"--all", blocks});
  EXPECT_EQ(OutputLines(run.Console).size(), 4u);
  EXPECT_TRUE(Contains(run.Console, blocks + " data_three_centres: Zn1: CN 4")) << run.Console;
  EXPECT_TRUE(Contains(run.Console, blocks + " data_second: Fe9: CN 0  []")) << run.Console;
  run = RunProgram({"--all", blocks, "--block=SECOND", "--format=json"});
  const std::vector<json> records = JsonLines(run.Console);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["block"], "second");
  EXPECT_EQ(records[0]["cn"], 0);
  run = RunProgram({"--all", blocks, "--block=third", "--format=json"});
  EXPECT_EQ(run.Status, 2);
  ASSERT_EQ(JsonLines(run.Console).size(), 1u);
  EXPECT_TRUE(JsonLines(run.Console)[0]["block"].is_null());
}

TEST(Survey, FailuresGiveErrorRecordsAndTheSurveyGoesOnEndingWithStatusTwo) {
  const std::string good = ThreeCentres();
  const std::string missing = ScratchDir() + "/missing.cif";
  const std::string broken = WriteScratchFile("broken_centre.cif", kBrokenCentreCif);
  const std::vector<std::string> files = {good, missing, broken, good};

  std::vector<std::string> args = {"--all", "--format=json"};
  args.insert(args.end(), files.begin(), files.end());
  TRunResult run = RunProgram(args);
  EXPECT_EQ(run.Status, 2);
  const std::vector<json> records = JsonLines(run.Console);
  ASSERT_EQ(records.size(), 8u) << run.Console;
  const json& lost = records[3];
  EXPECT_EQ(lost["file"], missing);
  EXPECT_TRUE(lost["block"].is_null());
  EXPECT_TRUE(lost["centre"].is_null());
  EXPECT_EQ(lost["error"], "file not found: " + missing +
                               " - and no missing.res, .ins or .xyz in the same directory.");
  EXPECT_TRUE(lost["input"].is_null());
  EXPECT_EQ(lost.size(), 5u);
  const json& thin = records[4];
  EXPECT_EQ(thin["file"], broken);
  EXPECT_EQ(thin["block"], "thin");
  EXPECT_EQ(thin["centre"], "K1");
  EXPECT_EQ(thin["error"],
            "search radius 4.46 A is too large for this structure (more than 1000 cell spacings).");
  EXPECT_EQ(records[7]["centre"], "Co1");

  args[1] = "--format=text";
  run = RunProgram(args);
  EXPECT_EQ(run.Status, 2);
  const std::vector<std::string> lines = OutputLines(run.Console);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[3], missing + ": Error: file not found: " + missing +
                          " - and no missing.res, .ins or .xyz in the same directory.");
  EXPECT_EQ(lines[4], broken + ": K1: Error: search radius 4.46 A is too large for this structure "
                               "(more than 1000 cell spacings).");

  args[1] = "--format=csv";
  run = RunProgram(args);
  const std::vector<std::string> rows = OutputLines(run.Console);
  ASSERT_EQ(rows.size(), 9u);
  // Every column but the file and the error is empty; the message holds a
  // comma and is quoted.
  EXPECT_EQ(rows[4], missing + std::string(26, ',') + "\"file not found: " + missing +
                         " - and no missing.res, .ins or .xyz in the same directory.\"");
}

TEST(Survey, ACifWithoutAtomSitesIsOneErrorRecord) {
  const std::string path = RealDataFile("cif/pdb_4ins_mmcif.cif");
  if (path.empty()) GTEST_SKIP() << "no real data";
  const TRunResult run = RunProgram({"--all", path, "--format=json"});
  EXPECT_EQ(run.Status, 2);
  const std::vector<json> records = JsonLines(run.Console);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["error"], "no data block with cell parameters and atom sites found.");
}

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

TEST(Survey, OperatorsGeneratedFromTheSymbolAreANoteOfTheRecord) {
  const std::string path = RealDataFile("cif/cod2001508_Cu_primes.cif");
  if (path.empty()) GTEST_SKIP() << "no real data";
  const std::vector<json> records = JsonLines(RunProgram({"--all", path, "--format=json"}).Console);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["warnings"],
            json::array({"no symmetry operators in the data block; the 8 operators of C 1 2/c 1 "
                         "(Hall: -C 2yc) were generated from its Hall symbol."}));
  EXPECT_EQ(records[0]["cn"], 4);
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

TEST(Survey, AtomNamesAfterTheFilesAreRefusedBeforeAnythingIsWritten) {
  const std::string path = ThreeCentres();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--all", path, "Zn1"}, {"--all", path, "Zn1 Cl1"},
        {"--all", path, path, "Cl1,Cl2"}}) {
    const TRunResult run = RunProgram(args);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Console,
              "Error: --all takes input files only; leave it out to name a central atom" + kE);
  }
  // A missing file that looks like a file is the survey's error record.
  const TRunResult run = RunProgram({"--all", path, ScratchDir() + "/gone.cif"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(OutputLines(run.Console).size(), 4u);
  EXPECT_EQ(RunProgram({"--all"}).Status, 1);
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
                  "\r" + std::string(last.size(), ' ') + "\r")
      << shown;
  EXPECT_FALSE(Contains(run.Console, "vexorin:"));

  // One file, or no terminal: no progress line at all.
  std::ostringstream single;
  progress.Stream = &single;
  RunWithProgress({"--all", path, "--format=json"}, progress);
  EXPECT_EQ(single.str(), "");
  EXPECT_EQ(ProgressText(3, 40, 12, 3725.5), "vexorin: 3 of 40 files, 12 centres, 1:02:05");
}

TEST(Records, ANamedRunWritesOneRecordWithItsNamedLigands) {
  const std::string path = ExampleFile("zn_tetrahedral.cif");
  TRunResult run = RunProgram({path, "Zn1", "Cl1 Cl1#2_555 N1 N1#2_555", "--format=json"});
  EXPECT_EQ(run.Status, 0);
  std::vector<json> records = JsonLines(run.Console);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["cn"], 4);
  EXPECT_EQ(records[0]["ligands"][1]["code"], "2_555");

  run = RunProgram({path, "Zn1", "--format=csv", "--brief"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(OutputLines(run.Console).size(), 2u);
}

TEST(Records, AFailingNamedRunWritesItsErrorRecordAndEndsWithStatusTwo) {
  const std::string path = ExampleFile("ni_square_planar.cif");
  TRunResult run = RunProgram({path, "Xx9", "--format=json"});
  EXPECT_EQ(run.Status, 2);
  std::vector<json> records = JsonLines(run.Console);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["centre"], "Xx9");
  EXPECT_EQ(records[0]["block"], "ni_square_planar");
  EXPECT_EQ(records[0]["error"],
            "central atom \"Xx9\" not found in data block \"ni_square_planar\". Blocks with a "
            "structure: ni_square_planar");

  run = RunProgram({ScratchDir() + "/none.cif", "Ni1", "--format=json"});
  EXPECT_EQ(run.Status, 2);
  records = JsonLines(run.Console);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_TRUE(records[0]["centre"].is_null());

  // The message that spans two lines in the report is one line in the record.
  run = RunProgram({path, "Ni1", "Cl1 Cl2 P1", "--format=json"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(JsonLines(run.Console)[0]["error"],
            "exactly 4 (tau4) or 5 (tau5) ligands must be specified.");
  // A coordination number the text report refuses is a result in a record.
  run = RunProgram({ThreeCentres(), "Co1", "--format=json"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(JsonLines(run.Console)[0]["cn"], 6);
}

TEST(Records, HtmlNeedsTheTextFormat) {
  for (const char* format : {"--format=json", "format=csv"}) {
    const TRunResult run = RunProgram({"x.cif", "Ni1", format, "--html=r.html"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Console, "Error: --html needs --format=text" + kE);
  }
}
