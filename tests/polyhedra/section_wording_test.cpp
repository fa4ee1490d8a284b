// What the shape section says where a figure has no su, where an su is
// rounding, and where a correlation is undefined; and what the records add
// about the centre (its element, the file read, every angle).
#include <gtest/gtest.h>

#include <regex>

#include "polyhedron_runs.h"
#include "geometry/shape_analysis.h"
#include "geometry/shapes.h"

namespace {

using json = nlohmann::json;

// The polyhedron of a reference shape, its coordinates written without su
// (the cell keeps its su).
std::string WithoutCoordinateSu(const std::string& cif) {
  return std::regex_replace(cif, std::regex(R"((\d)\(2\))"), "$1");
}

std::string ShapeCif(const char* file, const char* label, bool coordinateSu = true) {
  const std::string cif = PolyhedronCif("Ni", ReferenceOffsets(Reference(label)), {"O"});
  return WriteScratchFile(file, coordinateSu ? cif : WithoutCoordinateSu(cif));
}

}  // namespace

TEST(SectionWording, FiguresWithoutSuOrFixedBySymmetryAreWrittenWithoutSu) {
  const struct {
    const char* Name;
    std::string Path;
    std::vector<std::string> Args;
    std::vector<std::string> Present, Absent;
  } cases[] = {
      // beta = alpha = 180: the propagation gives beta no su, so r is 0/0.
      {"square", ShapeCif("square.cif", "SP-4"), {"Ni1", "--shapes=SP-4"},
       {"correlated (r undefined)", "but r is undefined:"},
       {"(r = ", "r was propagated"}},
      // The coordinates without su: the cell su alone give S no su.
      {"no coordinate su", ShapeCif("bare.cif", "OC-6", false), {"Ni1", "--shapes=all"},
       {"  No su: the input has none, so there is no noise level either.",
        "  OC-6    Octahedron                       Oh         0.000"},
       {"Noise level", "The su of S were propagated", "Terms |x|"}},
      // An ideal octahedron with coordinate su: S(OC-6) = 0 has no su.
      {"ideal octahedron", ShapeCif("ideal.cif", "OC-6"), {"Ni1", "--shapes=OC-6,TPR-6"},
       {"  OC-6   Octahedron            Oh            0.000  *", "Noise level: S = "},
       {" 0.000(", " 0.0000("}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::string> args = {c.Path};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    const TRunResult run = RunProgram(args);
    ASSERT_EQ(run.Status, 0) << run.Console;
    for (const std::string& text : c.Present) {
      EXPECT_TRUE(Contains(run.Console, text)) << text << run.Console;
    }
    for (const std::string& text : c.Absent) {
      EXPECT_FALSE(Contains(run.Console, text)) << text << run.Console;
    }
    for (const std::string& line : SectionOf(run.Console, "Continuous shape measures"))
      EXPECT_LE(line.size(), 79u) << line;
  }
  // The records write null where the report writes no su.
  const std::string square = ShapeCif("square.cif", "SP-4");
  const json record = JsonLines(RunProgram({square, "Ni1", "--shapes=SP-4", "--format=json"}).Console).at(0);
  EXPECT_TRUE(record["beta_alpha_correlation"].is_null());
  const json bare =
      JsonLines(RunProgram({ShapeCif("bare.cif", "OC-6", false), "Ni1", "--shapes=all", "--format=json"}).Console).at(0);
  EXPECT_TRUE(bare["cshm"]["OC-6"]["su"].is_null());
  EXPECT_TRUE(bare["cshm"]["OC-6"]["noise_level"].is_null());
  const std::vector<std::string> csv =
      OutputLines(RunProgram({square, "Ni1", "--shapes=SP-4", "--format=csv"}).Console);
  const std::vector<std::string> header = CsvCells(csv.at(0)), row = CsvCells(csv.at(1));
  const size_t r = static_cast<size_t>(std::find(header.begin(), header.end(), "beta_alpha_correlation") - header.begin());
  ASSERT_LT(r, row.size());
  EXPECT_EQ(row[r], "");
}

TEST(SectionWording, ALineKeepsOneMoreFreedomInItsNoiseLevel) {
  const std::string line = ShapeCif("line.cif", "L-2");
  const json record = JsonLines(RunProgram({line, "Ni1", "--shapes=all", "--format=json"}).Console).at(0);
  const double linear = record["cshm"]["L-2"]["noise_level"], bent = record["cshm"]["vT-2"]["noise_level"];
  // 3 (N + 1) - 6 = 3 freedoms against 3 (N + 1) - 7 = 2.
  EXPECT_NEAR(linear / bent, 1.5, 1e-12);
  EXPECT_TRUE(Contains(RunProgram({line, "Ni1", "--shapes=all"}).Console, " (L-2: "));
  EXPECT_EQ(Reference("L-2").Symmetry, "Dinfh");
}

TEST(SectionWording, SHAPEsAlternativeLabelsNameTheSameReference) {
  const struct {
    const char* Alias;
    const char* Shape;  // the polyhedron measured
    const char* Label;  // the label the report prints
  } cases[] = {{"JBTP-8", "JBTPR-8", "JBTPR-8"},
               {"fac-vOC-3", "fvOC-3", "fvOC-3"},
               {"MER-VOC-3", "mvOC-3", "mvOC-3"}};
  for (const auto& c : cases) {
    const TRunResult run = RunProgram({ShapeCif("alias.cif", c.Shape), "Ni1", std::string("--shapes=") + c.Alias});
    EXPECT_EQ(run.Status, 0) << c.Alias << run.Console;
    EXPECT_TRUE(Contains(run.Console, "  Closest shape: " + std::string(c.Label) + ", S = ")) << run.Console;
  }
}

TEST(SectionWording, APathDeviationIsNeverNegative) {
  // At either end of its path the deviation is 0, rounding or not.
  for (const auto& [from, to] : {std::pair{"SP-4", "T-4"}, {"TBPY-5", "SPY-5"}, {"OC-6", "TPR-6"}}) {
    const double across = FitShape(Reference(to).Points, Reference(from)).Measure;
    EXPECT_GE(PathFigures(Reference(from), Reference(to), 0, across).Deviation, 0.0) << from;
    EXPECT_GE(PathFigures(Reference(from), Reference(to), across, 0).Deviation, 0.0) << from;
  }
}

TEST(RecordFields, ElementInputAndAnglesDescribeTheCentre) {
  // A CIF that writes its type symbols in capitals with a charge.
  std::string cif = PolyhedronCif("Ni", ReferenceOffsets(Reference("T-4")), {"O"});
  cif = std::regex_replace(cif, std::regex("Ni1 Ni "), "Ni1 NI2+ ");
  const std::string path = WriteScratchFile("upper.cif", cif);
  const json record = JsonLines(RunProgram({path, "Ni1", "--format=json"}).Console).at(0);
  EXPECT_EQ(record["element"], "Ni");
  EXPECT_EQ(record["input"], path);
  ASSERT_EQ(record["angles"].size(), 6u);
  const json& first = record["angles"][0];
  EXPECT_EQ(first["ligand1"], "O1");
  EXPECT_NEAR(first["angle"].get<double>(), 109.47, 0.01);
  EXPECT_GT(first["su"].get<double>(), 0);
  EXPECT_EQ(first["from_cif"], false);
  // The report keeps what the file says.
  EXPECT_TRUE(Contains(RunProgram({path, "Ni1"}).Console, "Central atom : Ni1 (NI)"));
}

TEST(RecordFields, ASurveyWarnsWhenTheNeighbourSearchStoppedAtItsCap) {
  const std::string cif =
      "data_dense\n_cell_length_a 3\n_cell_length_b 3\n_cell_length_c 3\n"
      "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
      "Cu1 0 0 0\n";
  const std::string path = WriteScratchFile("dense.cif", cif);
  const json capped = JsonLines(RunProgram({"--all", path, "--max=60", "--format=json"}).Console).at(0);
  ASSERT_EQ(capped["warnings"].size(), 1u) << capped["warnings"];
  EXPECT_EQ(capped["warnings"][0],
            "the neighbour search stopped at 20000 atom images within 60.00 A; the ligands may be incomplete.");
  const json plain = JsonLines(RunProgram({"--all", path, "--format=json"}).Console).at(0);
  EXPECT_TRUE(plain["warnings"].empty());
}
