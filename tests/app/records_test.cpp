// The records: their numbers are those of the text report and of the
// centre's result, full doubles written so that they read back exactly;
// strings of any bytes stay valid JSON; CSV quoting follows RFC 4180.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "analysis/centre.h"
#include "geometry/indices.h"
#include "base/command_line_text.h"
#include "output/records.h"
#include "support/survey_structures.h"
#include "support/test_support.h"
#include "io/cif.h"
#include "base/format.h"
#include "output/report.h"

namespace {

using nlohmann::json;

// The analysis of one centre of a CIF through the library, as the survey
// does it.
TCentreResult AnalyseCifCentre(const std::string& path, const std::string& label) {
  TCifFile cif;
  LoadCifFile(path, DiskFiles(), cif);
  TLoadedInput loaded;
  loaded.Input.InputPath = path;
  LoadCifBlock(cif, cif.Block(0), loaded);
  const int centre = FindAtom(loaded.Model, label);
  ReadAnglesAt(loaded, {centre});
  const TModelSearch search(loaded.Model);
  const TAnalysisOptions options;
  const std::vector<std::string> noNames;
  const TCentreRequest request{options, noNames, false, false};
  TCentreResult result = AnalyseCentre(loaded, search, centre, request);
  result.File = path;
  result.Block = std::string(cif.Block(0).Name());
  return result;
}

// The text after "prefix" up to the next blank, in the report line that
// begins with prefix.
std::string ReportValue(const std::string& report, const std::string& prefix) {
  for (const std::string& line : OutputLines(report))
    if (StartsWith(line, prefix)) {
      const std::string rest = line.substr(prefix.size());
      return rest.substr(0, rest.find(' '));
    }
  return "<no line " + prefix + ">";
}

double Su(const json& value) { return value.is_null() ? 0.0 : value.get<double>(); }

std::string Rounded(const json& record, const std::string& key, int decimals) {
  return FormatValueSu(record[key].get<double>(), Su(record[key + "_su"]), decimals);
}

struct TCentreCase {
  std::string File;
  std::string Centre;
};

std::vector<TCentreCase> CentreCases() {
  const std::string three = TestDataFile("runs/Survey/three_centres.cif");
  return {{three, "Zn1"}, {three, "Cu1"}, {ExampleFile("ni_square_planar.cif"), "Ni1"},
          {ExampleFile("zn_tetrahedral.cif"), "Zn1"}};
}

}  // namespace

TEST(RecordNumbers, RoundedAsTheReportRoundsThemTheyGiveTheReportsDigits) {
  for (const TCentreCase& c : CentreCases()) {
    const std::string report = RunProgram({c.File, c.Centre}).Console;
    const json record =
        JsonLines(RunProgram({c.File, c.Centre, "--format=json"}).Console).at(0);
    EXPECT_EQ(Rounded(record, "beta", 2), ReportValue(report, "Largest angle           beta  = "))
        << c.Centre;
    EXPECT_EQ(Rounded(record, "alpha", 2),
              ReportValue(report, "Second largest angle    alpha = "));
    if (record["cn"] == 4) {
      EXPECT_EQ(Rounded(record, "tau4", 3), ReportValue(report, "  tau4  = ")) << c.Centre;
      EXPECT_EQ(Rounded(record, "tau4_prime", 3), ReportValue(report, "  tau4' = "));
      EXPECT_EQ(ReportValue(report, "  Classification (from tau4 and tau4'): "),
                record["shape"].get<std::string>().substr(0, record["shape"].get<std::string>().find(' ')));
    } else {
      EXPECT_EQ(Rounded(record, "tau5", 3), ReportValue(report, "  tau5  = ")) << c.Centre;
    }
    const json& first = record["ligands"][0];
    EXPECT_EQ(FormatValueSu(first["distance"].get<double>(), Su(first["distance_su"]), 3),
              ReportValue(report, "   1  " + PadRight(first["label"], 14) + "  " +
                                      PadRight(first["code"], 10) + "  "));
  }
}

TEST(RecordNumbers, TheRecordsOfRunAndSurveyCarryTheResultsFullDoubles) {
  for (const TCentreCase& c : CentreCases()) {
    const TCentreResult result = AnalyseCifCentre(c.File, c.Centre);
    const json named = JsonLines(RunProgram({c.File, c.Centre, "--format=json"}).Console).at(0);
    json surveyed;
    for (const json& record : JsonLines(RunProgram({"--all", c.File, "--format=json"}).Console))
      if (record["centre"] == c.Centre) surveyed = record;
    EXPECT_EQ(surveyed, named) << c.Centre;
    EXPECT_EQ(named["beta"].get<double>(), result.Beta.Angle);
    EXPECT_EQ(named["alpha_su"].get<double>(), result.Alpha.Su);
    if (result.Tau4) {
      EXPECT_EQ(named["tau4"].get<double>(), result.Tau4->Value) << c.Centre;
      EXPECT_EQ(named["tau4_prime_su"].get<double>(), result.Tau4Prime->Su);
      for (size_t i = 0; i < kShapeNames4.size(); ++i)
        EXPECT_EQ(named["weights"][kShapeNames4[i]].get<double>(), (*result.Weights)[i]);
    } else {
      EXPECT_EQ(named["tau5"].get<double>(), result.Tau5->Value) << c.Centre;
      EXPECT_EQ(named["tau5_su"].get<double>(), result.Tau5->Su);
    }
    ASSERT_EQ(named["ligands"].size(), result.Ligands.size());
    for (size_t i = 0; i < result.Ligands.size(); ++i) {
      EXPECT_EQ(named["ligands"][i]["distance"].get<double>(), result.Ligands[i].Dist);
      EXPECT_EQ(named["ligands"][i]["distance_su"].get<double>(), result.Ligands[i].DistSu);
    }
    EXPECT_EQ(BriefLine(result), OutputLines(RunProgram({c.File, c.Centre, "--brief"}).Console)[0]);
  }
}

TEST(RecordNumbers, ShortestTextReadsBackAsTheSameDouble) {
  const double values[] = {0.1, 1.0 / 3.0, 109.47122063449069, 1e-300, 5e-324, 1e21,
                           std::numeric_limits<double>::max(), -2.5, 0.0, -0.0};
  for (double value : values) {
    const std::string text = ShortestNumberText(value);
    EXPECT_EQ(json::parse(text).get<double>(), value) << text;
    EXPECT_EQ(text.find(','), std::string::npos);
  }
  EXPECT_EQ(ShortestNumberText(0.1), "0.1");
  EXPECT_EQ(ShortestNumberText(90.0), "90");
  EXPECT_EQ(ShortestNumberText(std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(ShortestNumberText(std::nan("")), "null");
}

TEST(RecordStrings, LabelsWithQuotesBackslashesControlAndNonAsciiBytesStayValidJson) {
  const std::string label = std::string("N\"i\\1\x01\t") + "\xc3\xa9" + "\xe9";
  TCentreResult result;
  result.File = "dir\\with \"quotes\".cif";
  result.Block = "block\n2";
  result.Centre = label;
  result.Element = "Ni";
  result.Warnings = {"a \"quoted\" warning"};
  const json record = json::parse(JsonRecord(result));
  EXPECT_EQ(record["file"], result.File);
  EXPECT_EQ(record["block"], "block\n2");
  // The valid UTF-8 stays, the lone byte 0xE9 is read as Latin-1 e-acute.
  EXPECT_EQ(record["centre"], std::string("N\"i\\1\x01\t") + "\xc3\xa9" + "\xc3\xa9");
  EXPECT_EQ(record["warnings"][0], "a \"quoted\" warning");
  EXPECT_EQ(JsonRecord(result).find('\n'), std::string::npos);

  result.Error = "failed on " + label;
  EXPECT_EQ(json::parse(JsonRecord(result))["error"].get<std::string>().substr(0, 12),
            "failed on N\"");
}

TEST(RecordStrings, BytesThatAreNoUtf8AreReadAsLatin1AndValidUtf8StaysAsItIs) {
  const struct {
    std::string In, Out;
  } cases[] = {
      {"m\xfcller", "m\xc3\xbcller"},            // Latin-1 u-umlaut
      {"m\xe9ller", "m\xc3\xa9ller"},            // another byte, another character
      {"\xc3\xbc\xe2\x82\xac\xf0\x9f\x98\x80", "\xc3\xbc\xe2\x82\xac\xf0\x9f\x98\x80"},  // valid
      {"\xc0\xaf", "\xc3\x80\xc2\xaf"},            // overlong "/"
      {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"},  // a surrogate
      {"a\xe2\x82", "a\xc3\xa2\xc2\x82"},          // cut short at the end
  };
  for (const auto& c : cases) EXPECT_EQ(ValidUtf8(c.In), c.Out) << c.In;
}

TEST(RecordStrings, CommandLinePathsReachTheRecordsAsUtf8) {
  EXPECT_EQ(CommandLineTextAsUtf8("C:\\data\\x.cif"), "C:\\data\\x.cif");
#ifdef _WIN32
  // Windows passes the command line in the ANSI code page (u-umlaut is 0xFC
  // in Windows-1252): the byte becomes the UTF-8 of its character.
  const std::string converted = CommandLineTextAsUtf8("m\xfcller.cif");
  EXPECT_NE(converted, "m\xfcller.cif");
  EXPECT_EQ(ValidUtf8(converted), converted);
#else
  EXPECT_EQ(CommandLineTextAsUtf8("m\xc3\xbcller.cif"), "m\xc3\xbcller.cif");
#endif
}

TEST(RecordCsv, FieldsWithCommaQuoteOrLineBreakAreQuotedAndQuotesDoubled) {
  TCentreResult result;
  result.File = "a,b.cif";
  result.Block = "say \"x\"";
  result.Centre = "Ni1";
  result.Element = "Ni";
  result.Warnings = {"first", "second\r\nline"};
  const std::string row = CsvRecord(result, false);
  EXPECT_TRUE(StartsWith(row, "\"a,b.cif\",,\"say \"\"x\"\"\",Ni1,Ni,0,,")) << row;
  EXPECT_NE(row.find(",cif,\"first | second\r\nline\","), std::string::npos) << row;
  // As many cells as the header has columns.
  EXPECT_EQ(CsvHeader(false).find('"'), std::string::npos);
  const auto commas = [](const std::string& line) {
    return std::count(line.begin(), line.end(), ',');
  };
  TCentreResult plain;
  plain.File = "x.cif";
  plain.Error = "broken";
  EXPECT_EQ(commas(CsvRecord(plain, false)), commas(CsvHeader(false)));
}

TEST(RecordMessages, ContinuationLinesJoinTheFirstLine) {
  EXPECT_EQ(OneLineMessage("coordination number 6 - tau4/tau5 are defined for CN 4 and 5 only." +
                           std::string(kLineEnd) + "       Adjust the tolerance."),
            "coordination number 6 - tau4/tau5 are defined for CN 4 and 5 only. Adjust the "
            "tolerance.");
  EXPECT_EQ(OneLineMessage("one line"), "one line");
  EXPECT_EQ(OneLineMessage("ends\r\n"), "ends");
}
