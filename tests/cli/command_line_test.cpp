#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/parse_support.h"
#include "base/text.h"

namespace {

TRunOptions OptionsWith(const std::string& option) { return Parse({"in.cif", "Ni1", option}).Command.Options; }

std::string HelpText() {
  std::ostringstream console;
  PrintHelp(console);
  return console.str();
}

}  // namespace

TEST(RawCommandLine, SplitsIntoArgumentsAfterTheProgramName) {
  const std::pair<const char*, TArgs> cases[] = {
      {R"(vexorin Mg" )", {"Mg\""}},
      {R"(vexorin "Ni P1 Mg")", {"Ni P1 Mg"}},
      {R"(vexorin "Ni P1 Mg"")", {"Ni P1 Mg\""}},
      {R"(vexorin Mg"x y")", {"Mgx y"}},
      {R"(vexorin "" "")", {"", ""}},
      {R"(vexorin O\"1)", {"O\"1"}},
      {R"(vexorin \\"a b")", {"\\a b"}},
      {R"(vexorin \\\"x a\b\ c\\)", {"\\\"x", "a\\b\\", "c\\\\"}},
      {R"(vexorin "a ""b"" c" "open)", {"a \"b\" c", "open"}},
      {"vexorin \t a \x01 b  ", {"a", "b"}},
      {R"(  "C:\My Tools\vexorin.exe"x x.cif Ni)", {"x.cif", "Ni"}},
      {R"("unclosed program name x.cif)", {}},
      {"", {}},
  };
  for (const auto& [raw, expected] : cases) EXPECT_EQ(SplitCommandLine(raw), expected) << raw;
}

TEST(CommandLine, ToleranceAcceptsNumbersAndNamesAValueItRefusesAsWritten) {
  const std::pair<const char*, double> accepted[] = {
      {"tol=0.3", 0.3},      {"--tol=4e-1", 0.4},   {"--tol=.5", 0.5}, {"--tol=5.", 5.0}, {"--tol=-2E+0", -2.0},
      {"--tol=1e-999", 0.0}, {"--tol=\x01\x1f \t0.7", 0.7}};
  for (const auto& [argument, value] : accepted) EXPECT_DOUBLE_EQ(OptionsWith(argument).tolerance, value) << argument;
  for (const std::string& refused : TArgs{"", "abc", "0,3", "1e999", "-1e999", "inf", "nan", "0x1p3", ".", "1e", "0.3 ",
                                    " ", std::string("\0" "5", 2)})
    EXPECT_EQ(ParseError({"in.cif", "Ni1", "tol=" + refused}), "invalid value for --tol: " + refused);
}

TEST(CommandLine, BareFormsSetTheirOptions) {
  const TParsed parsed = Parse({"occ=0.8", "max=3.5", "block=b1", "in.cif", "out=r.txt", "html=r.html",
                                "xyznames=position", "Ni1", "--brief", "--calc"});
  ASSERT_EQ(parsed.Outcome, TCommandOutcome::Run);
  const TRunOptions& o = parsed.Command.Options;
  EXPECT_DOUBLE_EQ(o.minOccupancy, 0.8);
  EXPECT_DOUBLE_EQ(o.maxRadius, 3.5);
  EXPECT_EQ(o.blockName, "b1");
  EXPECT_EQ(o.outFile, "r.txt");
  EXPECT_EQ(o.htmlFile, "r.html");
  EXPECT_EQ(o.xyzNaming, TXyzNaming::Position);
  EXPECT_TRUE(o.brief && o.forceCalc);
  EXPECT_EQ(parsed.Command.InputPath, "in.cif");
}

TEST(CommandLine, ValuesAreTakenUnchangedAndEmptyMeansNotGiven) {
  EXPECT_EQ(OptionsWith("--block= Blk ").blockName, " Blk ");
  EXPECT_EQ(OptionsWith("--out=a=b.txt").outFile, "a=b.txt");
  const TRunOptions o = Parse({"in.cif", "Ni1", "--block=x", "--block=", "html="}).Command.Options;
  EXPECT_EQ(o.blockName, "");
  EXPECT_EQ(o.htmlFile, "");
  EXPECT_DOUBLE_EQ(OptionsWith("--max=0").maxRadius, 0.0);
}

TEST(CommandLine, LastOccurrenceWins) {
  const TRunOptions o = Parse({"in.cif", "--tol=0.1", "Ni1", "tol=0.2", "--xyznames=element", "xyznames=OLEX"})
                            .Command.Options;
  EXPECT_DOUBLE_EQ(o.tolerance, 0.2);
  EXPECT_EQ(o.xyzNaming, TXyzNaming::Olex);
}

TEST(CommandLine, XyzNamingIgnoresCaseAndListsChoicesOnError) {
  EXPECT_EQ(OptionsWith("--xyznames=Element").xyzNaming, TXyzNaming::Element);
  EXPECT_EQ(ParseError({"in.cif", "Ni1", "--xyznames="}),
            "invalid value for --xyznames:  (olex, position or element)");
  EXPECT_EQ(ParseError({"in.cif", "Ni1", "xyznames=label"}),
            "invalid value for --xyznames: label (olex, position or element)");
}

TEST(CommandLine, OptionWordsAreCaseSensitive) {
  EXPECT_EQ(ParseError({"in.cif", "Ni1", "--TOL=0.3"}), "unknown option: --TOL=0.3");
  EXPECT_EQ(ParseError({"in.cif", "Ni1", "--brief=1"}), "unknown option: --brief=1");
  EXPECT_EQ(ParseError({"in.cif", "Ni1", "--HELP"}), "unknown option: --HELP");
  const TParsed parsed = Parse({"in.cif", "TOL=0.3", "-x", "-H"});
  EXPECT_DOUBLE_EQ(parsed.Command.Options.tolerance, 0.4);
  EXPECT_EQ(parsed.Command.CentralName, "TOL=0.3");
  EXPECT_EQ(parsed.Command.LigandNames, (TArgs{"-x", "-H"}));
  EXPECT_EQ(Parse({"-x", "Ni1"}).Command.InputPath, "-x");
}

TEST(CommandLine, HelpRequestStopsReadingArguments) {
  for (const char* help : {"--help", "-h", "/?"}) {
    const TParsed parsed = Parse({"in.cif", "Ni1", help, "--bogus", "tol=x"});
    EXPECT_EQ(parsed.Outcome, TCommandOutcome::HelpAsked) << help;
    EXPECT_EQ(parsed.Console, HelpText());
  }
  EXPECT_EQ(ParseError({"--tol=x", "--help"}), "invalid value for --tol: x");
}

TEST(CommandLine, VersionRequestPrintsOneLineAndStopsReadingArguments) {
  const std::string versionLine = "vexorin 1.0" + std::string(kLineEnd);
  for (const TArgs& args : {TArgs{"--version"}, TArgs{"in.cif", "Ni1", "--version", "--bogus"},
                            TArgs{"--version", "--help"}}) {
    const TParsed parsed = Parse(args);
    EXPECT_EQ(parsed.Outcome, TCommandOutcome::VersionAsked) << args.size();
    EXPECT_EQ(parsed.Console, versionLine);
  }
  // The first of the two requests counts; an earlier bad option ends the run first.
  EXPECT_EQ(Parse({"--help", "--version"}).Outcome, TCommandOutcome::HelpAsked);
  EXPECT_EQ(ParseError({"tol=x", "--version"}), "invalid value for --tol: x");
  // Neither a bare form nor another spelling.
  EXPECT_EQ(ParseError({"in.cif", "Ni1", "--Version"}), "unknown option: --Version");
  EXPECT_EQ(Parse({"version", "Ni1"}).Outcome, TCommandOutcome::Run);
}

TEST(CommandLine, VersionIsTheProjectVersionOfTheBuild) {
  EXPECT_EQ(kProgramVersion, VEXORIN_PROJECT_VERSION);
  EXPECT_NE(std::string(kTitleLine).find("Vexorin " + std::string(kProgramVersion) + " "), std::string::npos);
  EXPECT_NE(std::string(kVersionLine).find("Version " + std::string(kProgramVersion) + " "), std::string::npos);
}

TEST(CommandLine, TooFewArgumentsOrNoAtomNameShowHelp) {
  for (const TArgs& args : {TArgs{}, TArgs{"in.cif", "--calc"}, TArgs{"in.cif", " , \t", ""}}) {
    const TParsed parsed = Parse(args);
    EXPECT_EQ(parsed.Outcome, TCommandOutcome::TooFew);
    EXPECT_EQ(parsed.Console, HelpText());
  }
}

TEST(CommandLine, AtomNamesSplitAtBlanksTabsAndCommas) {
  for (const TArgs& args : {TArgs{"in.cif", "Ni", "P1 P2", "O1"}, TArgs{"in.cif", "Ni P1 P2 O1"},
                            TArgs{"in.cif", "Ni,P1,P2,O1"}, TArgs{"in.cif", "\tNi,,P1 ,\tP2", "", "O1,"}}) {
    const TParsed parsed = Parse(args);
    EXPECT_EQ(parsed.Command.CentralName, "Ni") << args[1];
    EXPECT_EQ(parsed.Command.LigandNames, (TArgs{"P1", "P2", "O1"})) << args[1];
  }
  const TParsed quoted = Parse({"my dir/a,b.cif", "Mg\"", "O1#2_655", "N1_$2"});
  EXPECT_EQ(quoted.Command.InputPath, "my dir/a,b.cif");
  EXPECT_EQ(quoted.Command.CentralName, "Mg\"");
  EXPECT_EQ(quoted.Command.LigandNames, (TArgs{"O1#2_655", "N1_$2"}));
}
