// Whole runs of vexorin.exe started with raw command lines written as cmd.exe
// and Olex2's exec macro pass them: the program splits the line itself, so
// each line must reach it as the arguments the user meant, and every line it
// writes must end in CR LF.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/run_support.h"
#include "child_process.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

using TArgs = std::vector<std::string>;

// A folder with a blank in its name, holding the nickel example as x.cif and
// a copy whose Cl1 is named with the SHELX double quote (Cl1") as q.cif.
struct TDataFolder {
  std::string Dir;
  std::string Plain;
  std::string Quoted;
  TDataFolder() {
    const std::string example = ReadWholeFile(ExampleFile("ni_square_planar.cif"));
    Plain = WriteScratchFile("My data\\x.cif", example);
    Quoted = WriteScratchFile("My data\\q.cif", std::regex_replace(example, std::regex("\\bCl1\\b"), "Cl1\""));
    Dir = fs::path(Plain).parent_path().string();
  }
};

const TDataFolder& Data() {
  static const TDataFolder data;
  return data;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Every line ends in CR LF: no LF without its CR, no CR elsewhere, and the
// text ends with a line end.
bool AllLinesEndInCrLf(const std::string& text) {
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
  }
  return true;
}

struct TRawCase {
  std::string What;
  std::string Arguments;  // the raw command line after the program name
  TArgs Meant;            // what the user means, as a shell would have split it
  int Status;
  std::string Shown;      // a part of what the console must show
};

std::vector<TRawCase> RawCases() {
  const TDataFolder& d = Data();
  const std::string x = Quoted(d.Plain), q = Quoted(d.Quoted);
  const std::string squarePlanar = "Classification (from tau4 and tau4'): distorted square planar";
  return {
      {"quoted path with blanks", x + " Ni1", {d.Plain, "Ni1"}, 0, squarePlanar},
      {"SHELX label ending in a double quote", q + " Ni1 P1 P2 Cl1\" Cl2",
       {d.Quoted, "Ni1", "P1", "P2", "Cl1\"", "Cl2"}, 0, "Cl1\""},
      {"two apostrophes standing for the double quote", q + " Ni1 P1 P2 Cl1'' Cl2",
       {d.Quoted, "Ni1", "P1", "P2", "Cl1''", "Cl2"}, 0, "Cl1\""},
      {"names in one quoted argument", x + " \"Ni1 P1 P2 Cl1 Cl2\"", {d.Plain, "Ni1 P1 P2 Cl1 Cl2"}, 0,
       "Ligands      : specified (4 atoms)"},
      {"quoted comma list whose last label ends in a doubled quote", q + " \"Ni1,P1,P2,Cl2,Cl1\"\"\"",
       {d.Quoted, "Ni1,P1,P2,Cl2,Cl1\""}, 0, "Ligands      : specified (4 atoms)"},
      {"backslash before a quote keeps the quote", q + " Ni1 P1 P2 Cl1\\\" Cl2",
       {d.Quoted, "Ni1", "P1", "P2", "Cl1\"", "Cl2"}, 0, "Cl1\""},
      {"two backslashes before the closing quote give one", Quoted(d.Dir + "\\\\") + " Ni1",
       {d.Dir + "\\", "Ni1"}, 2, "Error: "},
      {"bare options as Olex2 passes them", x + " Ni1 tol=0.45 occ=0.6", {d.Plain, "Ni1", "tol=0.45", "occ=0.6"},
       0, "automatic (d <= r1 + r2 + 0.45 A, occupancy >= 0.60)"},
      {"bare option with a quoted path", x + " Ni1 out=\"" + d.Dir + "\\r one.txt\" --brief",
       {d.Plain, "Ni1", "out=" + d.Dir + "\\r one.txt", "--brief"}, 0, "tau4 = "},
      {"help asked the Windows way", "/?", {"/?"}, 0, "Usage:"},
      {"version", "--version", {"--version"}, 0, "vexorin 1.0\r\n"},
      {"unknown option", x + " Ni1 --bogus", {d.Plain, "Ni1", "--bogus"}, 2, "Error: unknown option: --bogus"},
      {"path alone", x, {d.Plain}, 1, "Usage:"},
  };
}

}  // namespace

TEST(WindowsCommandLine, EachRawLineReachesTheProgramAsTheArgumentsMeant) {
  for (const TRawCase& c : RawCases()) {
    const TChildRun child = RunWithCommandLine(c.Arguments);
    const TRunResult meant = RunProgram(c.Meant);
    EXPECT_EQ(child.Status, c.Status) << c.What << ": " << c.Arguments << "\n" << child.Console;
    EXPECT_EQ(meant.Status, c.Status) << c.What;
    EXPECT_EQ(child.Console, meant.Console) << c.What << ": " << c.Arguments;
    EXPECT_TRUE(Contains(child.Console, c.Shown)) << c.What << ": " << child.Console;
    EXPECT_TRUE(AllLinesEndInCrLf(child.Console)) << c.What;
  }
}

TEST(WindowsCommandLine, TwoApostrophesFindTheSameLigandAsTheDoubleQuote) {
  const std::string q = Quoted(Data().Quoted);
  const TChildRun quote = RunWithCommandLine(q + " Ni1 P1 P2 Cl1\" Cl2 --brief");
  const TChildRun apostrophes = RunWithCommandLine(q + " Ni1 P1 P2 Cl1'' Cl2 --brief");
  EXPECT_EQ(quote.Status, 0) << quote.Console;
  EXPECT_EQ(apostrophes.Console, quote.Console);
}

TEST(WindowsCommandLine, ReportTextAndHtmlFilesEndTheirLinesInCrLf) {
  const TDataFolder& d = Data();
  const std::string out = d.Dir + "\\olex report.txt";
  const std::string html = d.Dir + "\\olex report.html";
  const TChildRun run =
      RunWithCommandLine(Quoted(d.Plain) + " Ni1 out=\"" + out + "\" html=\"" + html + "\" tol=0.45");
  ASSERT_EQ(run.Status, 0) << run.Console;
  const std::string text = ReadWholeFile(out);
  const std::string page = ReadWholeFile(html);
  EXPECT_TRUE(AllLinesEndInCrLf(run.Console));
  EXPECT_TRUE(AllLinesEndInCrLf(text));
  EXPECT_TRUE(AllLinesEndInCrLf(page));
  // Without --brief the console shows the text report line for line.
  EXPECT_EQ(run.Console, text);
  EXPECT_TRUE(StartsWith(page, "<html><head><meta charset=\"utf-8\"><title>Vexorin</title>\r\n"));
  EXPECT_TRUE(Contains(page, "\r\n<pre>\r\nVexorin 1.0 - geometry index"));
  EXPECT_TRUE(Contains(page, "\r\n</pre></body></html>\r\n"));
}

TEST(WindowsCommandLine, BriefRunPrintsOneCrLfLineAndLeavesNoCaptureFileBehind) {
  const TChildRun run = RunWithCommandLine(Quoted(Data().Plain) + " Ni1 --brief");
  ASSERT_EQ(run.Status, 0) << run.Console;
  EXPECT_TRUE(AllLinesEndInCrLf(run.Console));
  EXPECT_EQ(run.Console.find("\r\n"), run.Console.size() - 2) << run.Console;
  EXPECT_EQ(run.Console, RunProgram({Data().Plain, "Ni1", "--brief"}).Console);
}
