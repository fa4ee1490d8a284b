// The options of surveys and records: --all, --format and --elements with
// their bare forms, their errors and their lines in the help.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/parse_support.h"
#include "base/text.h"

TEST(SurveyOptions, FormatTakesTextJsonOrCsvInAnyCaseWithOrWithoutDashes) {
  EXPECT_EQ(Parse({"a.cif", "Ni1"}).Command.Options.format, TOutputFormat::Text);
  EXPECT_EQ(Parse({"a.cif", "Ni1", "--format=json"}).Command.Options.format, TOutputFormat::Json);
  EXPECT_EQ(Parse({"a.cif", "Ni1", "format=csv"}).Command.Options.format, TOutputFormat::Csv);
  EXPECT_EQ(Parse({"a.cif", "Ni1", "format=csv", "--format=text"}).Command.Options.format,
            TOutputFormat::Text);
  EXPECT_EQ(Parse({"a.cif", "Ni1", "--format=JSON"}).Command.Options.format, TOutputFormat::Json);
  EXPECT_EQ(Parse({"a.cif", "Ni1", "format=Csv"}).Command.Options.format, TOutputFormat::Csv);
  for (const char* bad : {"--format=xml", "--format=jsonl", "format="})
    EXPECT_EQ(ParseError({"a.cif", "Ni1", bad}),
              "invalid value for --format: " + std::string(bad).substr(std::string(bad).find('=') + 1) +
                  " (text, json or csv)");
}

TEST(SurveyOptions, ElementsAreSymbolsSeparatedByCommasInAnyCase) {
  EXPECT_EQ(Parse({"a.cif", "--all", "--elements=Ge,Sb,Cu"}).Command.Options.surveyElements,
            (std::vector<int>{32, 51, 29}));
  EXPECT_EQ(Parse({"a.cif", "--all", "elements=ni, FE ,,"}).Command.Options.surveyElements,
            (std::vector<int>{28, 26}));
  EXPECT_TRUE(Parse({"a.cif", "--all", "--elements="}).Command.Options.surveyElements.empty());
  EXPECT_EQ(ParseError({"a.cif", "--all", "--elements=Cu,Xx"}), "unknown element in --elements: Xx");
  EXPECT_EQ(ParseError({"a.cif", "--all", "elements=Cu1"}), "unknown element in --elements: Cu1");
  EXPECT_EQ(ParseError({"a.cif", "Ni1", "--elements=Cu"}), "--elements needs --all");
  EXPECT_EQ(ParseError({"a.cif", "Ni1", "elements="}), "--elements needs --all");
  EXPECT_EQ(Parse({"a.cif", "Ni1"}).Command.Options.sphere, TSphereRule::Chemical);
  EXPECT_EQ(Parse({"a.cif", "Ni1", "sphere=radii"}).Command.Options.sphere, TSphereRule::Radii);
  EXPECT_EQ(Parse({"a.cif", "Ni1", "--sphere=Chemical"}).Command.Options.sphere, TSphereRule::Chemical);
  EXPECT_EQ(ParseError({"a.cif", "Ni1", "--sphere=bonds"}),
            "invalid value for --sphere: bonds (chemical or radii)");
}

TEST(SurveyOptions, AllTakesEveryPositionalArgumentAsAnInputFile) {
  const TParsed parsed = Parse({"--all", "a.cif", "b.res", "c d.xyz"});
  EXPECT_EQ(parsed.Outcome, TCommandOutcome::Run);
  EXPECT_TRUE(parsed.Command.Options.surveyAll);
  EXPECT_EQ(parsed.Command.InputPaths, (TArgs{"a.cif", "b.res", "c d.xyz"}));
  EXPECT_EQ(parsed.Command.InputPath, "a.cif");
  EXPECT_TRUE(parsed.Command.CentralName.empty());
  EXPECT_EQ(Parse({"a.cif", "--all"}).Outcome, TCommandOutcome::Run);
  EXPECT_EQ(Parse({"--all"}).Outcome, TCommandOutcome::TooFew);
  EXPECT_EQ(Parse({"--all", "--format=json"}).Outcome, TCommandOutcome::TooFew);
}

TEST(SurveyOptions, HtmlNeedsTheTextFormat) {
  EXPECT_EQ(ParseError({"a.cif", "Ni1", "--format=json", "html=r.html"}),
            "--html needs --format=text");
  EXPECT_EQ(ParseError({"--all", "a.cif", "--html=r.html", "--format=csv"}),
            "--html needs --format=text");
  EXPECT_EQ(ParseError({"a.cif", "Ni1", "--format=json", "--html="}), "<no error>");
  EXPECT_EQ(ParseError({"a.cif", "Ni1", "--format=text", "--html=r.html"}), "<no error>");
}

TEST(SurveyOptions, HelpListsTheNewOptionsAndTheirBareForms) {
  std::ostringstream console;
  PrintHelp(console);
  const std::string help = console.str();
  const std::string nl(kLineEnd);
  for (const char* line :
       {"  --all         every metal centre of every file given (no atom names)",
        "  --elements=<list>",
        "                centre elements of --all, e.g. Cu,Ni (default: every metal)",
        "  --format=<f>  text (the report, default), json (JSON Lines) or csv records",
        "  --sphere=<s>  automatic ligands: chemical (default) or radii (bond rule only)",
        "format=x, elements=x, sphere=x)."})
    EXPECT_NE(help.find(nl + line + nl), std::string::npos) << line;
}
