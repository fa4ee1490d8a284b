#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "crystal/cell.h"
#include "crystal/symmetry.h"
#include "crystal/vector.h"

namespace {

// Operator texts here are known good; the parser's own tests check results.
TSymOp Op(const char* text, int number = 1) {
  TSymOp op;
  ParseSymOp(text, op);
  op.OpNum = number;
  op.Code = std::to_string(number) + "_555";
  return op;
}

const std::vector<TSymOp> kTwoOps = {IdentityOp(), Op("-x,-y,-z", 2)};

}  // namespace

TEST(SymOpParser, ReadsRowsFractionsAndFactors) {
  struct TCase {
    const char* Text;
    double Rot[3][3];
    TVec3 Trans;
  };
  const TCase cases[] = {
      {" X , Y , Z ", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0, 0, 0}},
      {"-x+1/2,y+1/2,-z+1/2", {{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}, {0.5, 0.5, 0.5}},
      {"x-y,1/2+X,0.25+z", {{1, -1, 0}, {1, 0, 0}, {0, 0, 1}}, {0, 0.5, 0.25}},
      {"2*x,2y,-1/3*z", {{2, 0, 0}, {0, 2, 0}, {0, 0, -1.0 / 3}}, {0, 0, 0}},
      {"--x,-+y,z", {{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0, 0, 0}},  // "-" sets, never toggles
      {"x,y", {{1, 0, 0}, {0, 1, 0}, {0, 0, 0}}, {0, 0, 0}},
      {"x,y,z,-x+7", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0, 0, 0}},
  };
  for (const TCase& c : cases) {
    TSymOp op;
    ASSERT_TRUE(ParseSymOp(c.Text, op)) << c.Text;
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) EXPECT_EQ(op.Rot[i][j], c.Rot[i][j]) << c.Text;
      EXPECT_EQ(op.Trans[i], c.Trans[i]) << c.Text;
    }
    EXPECT_EQ(op.Code, "1_555");
  }
}

TEST(SymOpParser, MalformedNumbersAndZeroDenominatorsFail) {
  const std::string hugeRun = "x+1" + std::string(400, '0') + ",y,z";
  for (std::string_view text : {"x+1/0,y,z", "x+1/0.0,y,z", "x+1.2.3,y,z", "x,y+./2,z", "x,y,z+1/",
                                "x,y,z+1/x", "x+1e999,y,z", "x,y,z+1/1e-999"}) {
    TSymOp op;
    EXPECT_FALSE(ParseSymOp(text, op)) << text;
  }
  TSymOp op;
  EXPECT_FALSE(ParseSymOp(hugeRun, op));
}

TEST(SymOpParser, TextEndingInsideANumberIsNotReadBeyond) {
  // Exact-size heap copies without a terminator, for AddressSanitizer to watch.
  const std::pair<std::string_view, double> cases[] = {
      {"x,y,z+1/2", 0.5}, {"x,y,z+2*", 2.0}, {"x,y,z+3e", 3.0}, {"x,y,z+4", 4.0}};
  for (const auto& [text, trans] : cases) {
    const std::vector<char> bytes(text.begin(), text.end());
    TSymOp op;
    ASSERT_TRUE(ParseSymOp(std::string_view(bytes.data(), bytes.size()), op)) << text;
    EXPECT_EQ(op.Trans[2], trans) << text;
  }
}

TEST(ApplyOp, RotatesThenTranslatesWithoutCellReduction) {
  const TVec3 r = ApplyOp(Op("-y+1,x-y,z+1/2"), {0.25, 0.5, 0.75});
  EXPECT_EQ(r, (TVec3{0.5, -0.25, 1.25}));
}

TEST(TranslatedOp, CodeWritesEachShiftPlusFive) {
  const TSymOp t = TranslatedOp(kTwoOps[1], 1, -1, 0);
  EXPECT_EQ(t.Code, "2_645");
  EXPECT_EQ(t.Trans, (TVec3{1, -1, 0}));
  EXPECT_EQ(t.Rot[0][0], -1.0);
  EXPECT_EQ(TranslatedOp(IdentityOp(), 5, 0, 0).Code, "1_1055");
  EXPECT_EQ(TranslatedOp(IdentityOp(), -6, 0, 0).Code, "1_-155");
}

TEST(SiteCodeParser, ReadsOperationAndTranslationDroppingLeadingZeros) {
  TSymOp op;
  ASSERT_TRUE(ParseSiteCode("0002_409", kTwoOps, op));
  EXPECT_EQ(op.OpNum, 2);
  EXPECT_EQ(op.Code, "2_409");
  EXPECT_EQ(op.Rot[0][0], -1.0);
  EXPECT_EQ(op.Trans, (TVec3{-1, -5, 4}));
}

TEST(SiteCodeParser, MalformedOrOutOfRangeCodesFail) {
  for (const char* code : {"3_555", "0_555", "_555", "2_65", "2_6555", "2_6a5", "2555", "",
                           "+2_555", " 2_555", "2._555", "99999999999999999999999_555",
                           "1_1055", "1_-155"}) {
    TSymOp op;
    EXPECT_FALSE(ParseSiteCode(code, kTwoOps, op)) << code;
  }
  TSymOp op;
  EXPECT_FALSE(ParseSiteCode("1_555", {}, op));
}

TEST(SiteCodeNormaliser, FillsDefaultsAndNamesImages) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "1_555"}, {" . ", "1_555"}, {"?", "1_555"}, {"2", "2_555"}, {" 3_456\t", "3_456"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(NormaliseSiteCode(in), out) << in;
  EXPECT_EQ(SiteDisplayName("O1", "1_555"), "O1");
  EXPECT_EQ(SiteDisplayName("O1", "2_655"), "O1#2_655");
}

TEST(SameSite, SpecialPositionImagesCoincideLatticeImagesDoNot) {
  const std::vector<TVec3> positions = {{0, 0, 0}, {0.1, 0.2, 0.3}};
  EXPECT_TRUE(SameSite(positions, {0, kTwoOps[0]}, {0, kTwoOps[1]}));  // origin is inversion centre
  EXPECT_FALSE(SameSite(positions, {1, kTwoOps[0]}, {1, kTwoOps[1]}));
  EXPECT_FALSE(SameSite(positions, {0, kTwoOps[0]}, {1, kTwoOps[0]}));
  EXPECT_FALSE(SameSite(positions, {0, kTwoOps[0]}, {0, TranslatedOp(kTwoOps[0], 1, 0, 0)}));
}

TEST(SameSite, AtomOutsideTheListIsNeverLookedUp) {
  const std::vector<TVec3> positions = {{0, 0, 0}};
  EXPECT_FALSE(SameSite(positions, {5, kTwoOps[0]}, {5, kTwoOps[1]}));
  EXPECT_FALSE(SameSite(positions, {-1, kTwoOps[0]}, {-1, kTwoOps[1]}));
  EXPECT_TRUE(SameSite(positions, {5, kTwoOps[1]}, {5, kTwoOps[1]}));
}
