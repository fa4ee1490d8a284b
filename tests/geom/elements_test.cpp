#include <gtest/gtest.h>

#include "crystal/elements.h"

TEST(ElementTable, LooksUpWholeSymbolsIgnoringCase) {
  EXPECT_EQ(ElementIndex("fe"), 26);
  EXPECT_EQ(ElementIndex("FE"), 26);
  EXPECT_EQ(ElementIndex("Fe"), 26);
  EXPECT_EQ(ElementIndex("Fe1"), 0);
  EXPECT_EQ(ElementIndex(""), 0);
  EXPECT_EQ(ElementIndex("Bk"), 0);
  EXPECT_TRUE(IsElement("h"));
  EXPECT_FALSE(IsElement("D"));
}

TEST(ElementTable, SymbolsByAtomicNumber) {
  EXPECT_EQ(ElementSymbol(0), "");
  EXPECT_EQ(ElementSymbol(97), "");
  EXPECT_EQ(ElementSymbol(-3), "");
  EXPECT_EQ(ElementSymbol(1), "H");
  EXPECT_EQ(ElementSymbol(96), "Cm");
  for (int z = 1; z <= 96; ++z) EXPECT_EQ(ElementIndex(ElementSymbol(z)), z) << z;
}

TEST(ElementTable, CovalentRadii) {
  const std::pair<const char*, double> cases[] = {
      {"H", 0.31}, {"C", 0.76}, {"Cu", 1.32}, {"zn", 1.22}, {"Pt", 1.36},
      {"Fr", 2.60}, {"Cm", 1.69}, {"Bk", 1.5}, {"", 1.5}, {"C1", 1.5}};
  for (const auto& [symbol, radius] : cases) EXPECT_EQ(CovalentRadius(symbol), radius) << symbol;
}

TEST(ElementTable, LeadingLettersStopAtFirstNonLetter) {
  EXPECT_EQ(LeadingLetters("Fe3+"), "Fe");
  EXPECT_EQ(LeadingLetters("C12A"), "C");
  EXPECT_EQ(LeadingLetters("1H"), "");
  EXPECT_EQ(LeadingLetters("Abc"), "Abc");
}

TEST(ElementFromLabel, PrefersTwoLetterSymbolAndKeepsCase) {
  const std::pair<const char*, const char*> cases[] = {
      {"CO2", "CO"}, {"C12", "C"}, {"Ca1", "Ca"}, {"Hg", "Hg"}, {"CL1", "CL"}, {"N3A", "N"},
      {"Cx1", "C"},  {"1H", ""},   {"Xx1", "Xx"}, {"NA1", "NA"}, {"", ""},    {"h1", "h"}};
  for (const auto& [label, element] : cases) EXPECT_EQ(ElementFromLabel(label), element) << label;
}
