// The built-in reference polyhedra: complete, the same as the reference file,
// and found by label as the option will look them up.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "geometry/shape_references.h"
#include "support/test_support.h"
#include "base/text.h"

namespace {

struct TFileShape {
  std::string Label;
  int CN = 0;
  std::vector<TVec3> Points;
};

// The shapes of CN 2 to 8 in the reference file beside the project, or none
// when the shared folder is absent.
std::vector<TFileShape> ShapesOfReferenceFile() {
  const std::filesystem::path path = std::filesystem::path(VEXORIN_SOURCE_DIR) / ".." / "shared" /
                                     "shapes" / "reference-polyhedra.txt";
  std::vector<TFileShape> shapes;
  if (!std::filesystem::exists(path)) return shapes;
  const std::string text = ReadWholeFile(path.string());
  for (std::string_view line : SplitLines(text)) {
    const std::vector<std::string_view> fields = SplitAtBlanksAndTabs(line);
    if (fields.empty() || fields[0][0] == '#') continue;
    if (fields[0] == "shape") {
      TFileShape shape;
      shape.Label = std::string(fields[1]);
      ParseRounded(fields[2], shape.CN);
      shapes.push_back(shape);
    } else if (!shapes.empty() && fields.size() == 3) {
      TVec3 p{};
      for (int k = 0; k < 3; ++k)
        ParseDecimal(fields[static_cast<size_t>(k)], p[static_cast<size_t>(k)]);
      shapes.back().Points.push_back(p);
    }
  }
  std::erase_if(shapes, [](const TFileShape& s) { return s.CN < 2 || s.CN > 8; });
  return shapes;
}

}  // namespace

TEST(ShapeReferences, TheTableHoldsEveryShapeOfTheReferenceFileForCN2To8) {
  const std::vector<TFileShape> file = ShapesOfReferenceFile();
  if (file.empty()) GTEST_SKIP() << "shared/shapes is absent";
  const std::span<const TShapeReference> table = AllShapeReferences();
  ASSERT_EQ(table.size(), file.size());
  for (size_t i = 0; i < file.size(); ++i) {
    SCOPED_TRACE(file[i].Label);
    EXPECT_EQ(table[i].Label, file[i].Label);
    EXPECT_EQ(table[i].CN, file[i].CN);
    ASSERT_EQ(table[i].Points.size(), file[i].Points.size());
    for (size_t p = 0; p < file[i].Points.size(); ++p)
      for (size_t k = 0; k < 3; ++k) EXPECT_EQ(table[i].Points[p][k], file[i].Points[p][k]);
  }
}

TEST(ShapeReferences, EachCNHasTheShapesOfSHAPEInTheFileOrder) {
  const struct {
    int CN;
    const char* Labels;
  } cases[] = {
      {2, "L-2, vT-2, vOC-2"},
      {3, "TP-3, vT-3, fvOC-3, mvOC-3"},
      {4, "SP-4, T-4, SS-4, vTBPY-4"},
      {5, "PP-5, vOC-5, TBPY-5, SPY-5, JTBPY-5"},
      {6, "HP-6, PPY-6, OC-6, TPR-6, JPPY-6"},
      {7, "HP-7, HPY-7, PBPY-7, COC-7, CTPR-7, JPBPY-7, JETPY-7"},
      {8,
       "OP-8, HPY-8, HBPY-8, CU-8, SAPR-8, TDD-8, JGBF-8, JETBPY-8, JBTPR-8, BTPR-8, JSD-8, "
       "TT-8, ETBPY-8"},
      {9, ""},
      {1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ShapeLabelList(c.CN), c.Labels) << "CN " << c.CN;
}

TEST(ShapeReferences, EveryReferenceIsCentredAndScaledToCNPlusOne) {
  for (const TShapeReference& r : AllShapeReferences()) {
    SCOPED_TRACE(std::string(r.Label));
    ASSERT_EQ(r.Points.size(), static_cast<size_t>(r.CN) + 1);
    TVec3 sum{0, 0, 0};
    double squares = 0;
    for (const TVec3& p : r.Points)
      for (size_t k = 0; k < 3; ++k) sum[k] += p[k], squares += p[k] * p[k];
    for (double s : sum) EXPECT_NEAR(s, 0, 1e-9);
    EXPECT_NEAR(squares, r.CN + 1, 1e-9);
  }
}

TEST(ShapeReferences, NamesAreAsciiAndManualLabelsStandInBrackets) {
  for (const TShapeReference& r : AllShapeReferences())
    for (char c : r.Name) EXPECT_TRUE(static_cast<unsigned char>(c) < 128) << r.Label;
  EXPECT_EQ(ShapeNameWithManualLabel(*FindShapeReference(3, "fvOC-3")),
            "fac-Trivacant octahedron [fac-vOC-3]");
  EXPECT_EQ(ShapeNameWithManualLabel(*FindShapeReference(8, "JBTPR-8")),
            "Biaugmented trigonal prism (J50) [JBTP-8]");
  EXPECT_EQ(ShapeNameWithManualLabel(*FindShapeReference(2, "vT-2")),
            "Divacant tetrahedron (V-shape, 109.47 deg)");
  // The seesaw of SHAPE is the cis-divacant octahedron, which its name says.
  EXPECT_EQ(FindShapeReference(4, "SS-4")->Name, "Seesaw or sawhorse (cis-divacant octahedron)");
  EXPECT_EQ(FindShapeReference(6, "OC-6")->Symmetry, "Oh");
}

TEST(ShapeReferences, LabelsAreFoundIgnoringAsciiCaseWithinTheirCNOnly) {
  EXPECT_EQ(FindShapeReference(4, "sp-4"), FindShapeReference(4, "SP-4"));
  EXPECT_EQ(FindShapeReference(4, "VTBPY-4")->Label, "vTBPY-4");
  EXPECT_EQ(FindShapeReference(5, "SP-4"), nullptr);
  EXPECT_EQ(FindShapeReference(4, "SP-4 "), nullptr);
  EXPECT_EQ(FindShapeReference(4, ""), nullptr);
}

TEST(ShapeReferences, ChoosingLabelsKeepsTheirOrderAndRefusesOthersWithTheListOfTheCN) {
  std::vector<const TShapeReference*> chosen;
  std::string error;
  ASSERT_TRUE(ChooseShapeReferences(4, {}, chosen, error));
  EXPECT_EQ(chosen.size(), 4u);

  ASSERT_TRUE(ChooseShapeReferences(4, {"t-4", "SP-4", "T-4"}, chosen, error));
  ASSERT_EQ(chosen.size(), 2u);
  EXPECT_EQ(chosen[0]->Label, "T-4");
  EXPECT_EQ(chosen[1]->Label, "SP-4");

  EXPECT_FALSE(ChooseShapeReferences(4, {"SP-4", "XX"}, chosen, error));
  EXPECT_EQ(error, "unknown shape for CN 4: XX (SP-4, T-4, SS-4, vTBPY-4)");
  EXPECT_TRUE(chosen.empty());

  // A label of another CN is as unknown as any other.
  EXPECT_FALSE(ChooseShapeReferences(4, {"OC-6"}, chosen, error));
  EXPECT_EQ(error, "unknown shape for CN 4: OC-6 (SP-4, T-4, SS-4, vTBPY-4)");

  EXPECT_FALSE(ChooseShapeReferences(9, {}, chosen, error));
  EXPECT_EQ(error, "no reference shapes for CN 9 (they are built in for CN 2 to 8).");
  EXPECT_EQ(UnknownShapeMessage(2, "x"), "unknown shape for CN 2: x (L-2, vT-2, vOC-2)");
}
