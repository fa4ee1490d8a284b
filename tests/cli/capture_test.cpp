#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "output/capture.h"
#include "support/test_support.h"
#include "base/text.h"

#ifdef _WIN32
#include <process.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text.append(line).append(kLineEnd);
  return text;
}

const std::vector<std::string> kGoodReport = {"Vexorin 1.0", "Ligand <N&1> & \"O\" caf\xc3\xa9", ""};
const std::vector<std::string> kFailedReport = {
    "Neighbours found (3):", "       not an error line",
    "Error: coordination number 3 - tau4/tau5 are defined for CN 4 and 5 only.",
    "       Adjust the tolerance (--tol=) or specify the ligands explicitly.",
    "after the error", "       not continuing anything", "Error: second", "      six blanks only"};

// Points TEMP at a fresh directory of the test's own (TMP cleared).
class ReportCapture : public ::testing::Test {
 protected:
  void SetUp() override {
    SavedTemp = EnvironmentValue("TEMP");
    SavedTmp = EnvironmentValue("TMP");
    TempDir = (fs::path(ScratchDir()) / ::testing::UnitTest::GetInstance()->current_test_info()->name())
                  .string();
    fs::create_directories(TempDir);
    SetEnv("TEMP", TempDir);
    SetEnv("TMP", "");
  }
  void TearDown() override {
    SetEnv("TEMP", SavedTemp);
    SetEnv("TMP", SavedTmp);
  }

  // The temporary capture name with its number (0: the first name).
  std::string TempName(int number = 0) const {
#ifdef _WIN32
    std::string name = "vexorin_" + std::to_string(_getpid());
#else
    std::string name = "vexorin_" + std::to_string(getpid());
#endif
    if (number > 0) name.append("_").append(std::to_string(number));
    return (fs::path(TempDir) / (name + ".txt")).string();
  }
  std::string ScratchPath(const std::string& name) const { return (fs::path(ScratchDir()) / name).string(); }

  bool RunReport(const TReportFiles& options, const std::vector<std::string>& lines, std::string_view brief) {
    TReport report(Console);
    report.BeginCapture(options);
    for (const std::string& line : lines) report.Line(line);
    EXPECT_TRUE(Console.str().empty()) << "console written while capturing";
    return report.EndCapture(brief);
  }

  std::string BeginCaptureError(const TReportFiles& options) {
    TReport report(Console);
    try {
      report.BeginCapture(options);
    } catch (const TFatalError& error) {
      EXPECT_FALSE(report.Capturing());
      return error.Message;
    }
    return "<capture began>";
  }

  std::string SavedTemp, SavedTmp, TempDir;
  std::ostringstream Console;
};

TReportFiles Brief() {
  TReportFiles options;
  options.Brief = true;
  return options;
}

}  // namespace

TEST_F(ReportCapture, WithoutOutputOptionLinesGoStraightToConsole) {
  TReport report(Console);
  report.BeginCapture(TReportFiles{});
  report.Line("first");
  EXPECT_EQ(Console.str(), Joined({"first"}));
  EXPECT_TRUE(report.EndCapture("brief"));
  EXPECT_EQ(Console.str(), Joined({"first"}));
  EXPECT_TRUE(fs::is_empty(TempDir));
}

TEST_F(ReportCapture, BriefShowsBriefLineAndRemovesTemporaryFile) {
  TReport report(Console);
  report.BeginCapture(Brief());
  EXPECT_EQ(report.CaptureFile(), TempName());
  report.Line("full report line");
  EXPECT_TRUE(report.EndCapture("Ni1: CN 4, tau4 = 0.12  [P1 P2 O1 O2]"));
  EXPECT_TRUE(report.EndCapture("second call does nothing"));
  EXPECT_EQ(Console.str(), Joined({"Ni1: CN 4, tau4 = 0.12  [P1 P2 O1 O2]"}));
  EXPECT_TRUE(fs::is_empty(TempDir));
}

TEST_F(ReportCapture, BriefFailedRunShowsOnlyErrorLinesWithContinuations) {
  SetEnv("TEMP", "");
  SetEnv("TMP", TempDir + "/");
  EXPECT_TRUE(RunReport(Brief(), kFailedReport, ""));
  EXPECT_EQ(Console.str(), Joined({kFailedReport[2], kFailedReport[3], kFailedReport[6]}));
  EXPECT_TRUE(fs::is_empty(TempDir));
}

TEST_F(ReportCapture, OutFileKeepsFullReportAndTruncatesOldContent) {
  TReportFiles options = Brief();
  options.OutFile = WriteScratchFile("report.txt", std::string(5000, 'x'));
  EXPECT_TRUE(RunReport(options, kFailedReport, "the brief line"));
  EXPECT_EQ(ReadWholeFile(options.OutFile), Joined(kFailedReport));
  EXPECT_EQ(Console.str(), Joined({"the brief line"}));
}

TEST_F(ReportCapture, HtmlHoldsEscapedReportAndConsoleTheFullReport) {
  TReportFiles options;
  options.HtmlFile = ScratchPath("report.html");
  EXPECT_TRUE(RunReport(options, kGoodReport, "unused"));
  EXPECT_EQ(Console.str(), Joined(kGoodReport));
  EXPECT_EQ(ReadWholeFile(options.HtmlFile),
            Joined({"<html><head><meta charset=\"utf-8\"><title>Vexorin</title>",
                    "<style>body{font-family:sans-serif;font-size:9pt;margin:8px;}"
                    "pre{font-family:Consolas,monospace;font-size:9pt;}</style></head><body>",
                    "<pre>", "Vexorin 1.0", "Ligand &lt;N&amp;1&gt; &amp; \"O\" caf\xc3\xa9", "",
                    "</pre></body></html>"}));
  EXPECT_TRUE(fs::is_empty(TempDir));
}

TEST_F(ReportCapture, UnwritableCaptureFileEndsRunBeforeCapturing) {
  TReportFiles options;
  options.OutFile = ScratchPath("no_such_dir/r.txt");
  EXPECT_EQ(BeginCaptureError(options), "cannot write output file: " + options.OutFile);
  const std::string missing = TempDir + "/missing/";
  SetEnv("TEMP", missing);
  EXPECT_EQ(BeginCaptureError(Brief()),
            "cannot write output file: " + missing + fs::path(TempName()).filename().string());
}

TEST_F(ReportCapture, HtmlFailureAddsErrorLineAfterConsoleCopy) {
  TReportFiles options;
  options.OutFile = ScratchPath("kept.txt");
  options.HtmlFile = ScratchPath("no_such_dir/r.html");
  EXPECT_FALSE(RunReport(options, kGoodReport, ""));
  EXPECT_EQ(Console.str(), Joined(kGoodReport) + Joined({"Error: cannot write HTML file: " + options.HtmlFile}));
  EXPECT_EQ(ReadWholeFile(options.OutFile), Joined(kGoodReport));

  Console.str("");
  options = Brief();
  options.HtmlFile = ScratchPath("no_such_dir/r.html");
  EXPECT_FALSE(RunReport(options, kGoodReport, "brief"));
  EXPECT_EQ(Console.str(), Joined({"brief", "Error: cannot write HTML file: " + options.HtmlFile}));
  EXPECT_TRUE(fs::is_empty(TempDir));
}

TEST_F(ReportCapture, DestructorDistributesActiveCaptureAndRemovesTemporaryFile) {
  {
    TReport report(Console);
    report.BeginCapture(Brief());
    report.Line("Error: partial");
  }
  EXPECT_TRUE(fs::is_empty(TempDir));
  EXPECT_EQ(Console.str(), Joined({"Error: partial"}));
}

TEST_F(ReportCapture, ExistingFileAtTemporaryNameIsKeptAndNextNameUsed) {
  const std::string stale = TempName();
  WriteScratchFile(fs::relative(stale, ScratchDir()).string(), "old");
  TReport report(Console);
  report.BeginCapture(Brief());
  EXPECT_EQ(report.CaptureFile(), TempName(1));
  report.Line("new");
  report.EndCapture("brief");
  EXPECT_EQ(ReadWholeFile(stale), "old");
  EXPECT_FALSE(fs::exists(TempName(1)));

  for (int k = 1; k <= 99; ++k) WriteScratchFile(fs::relative(TempName(k), ScratchDir()).string(), "");
  EXPECT_EQ(BeginCaptureError(Brief()), "cannot write output file: " + stale);
}

#ifndef _WIN32
TEST_F(ReportCapture, PlantedSymlinkAtTemporaryNameIsNotFollowed) {
  const std::string victim = WriteScratchFile("victim.txt", "precious");
  fs::create_symlink(victim, TempName());
  TReport report(Console);
  report.BeginCapture(Brief());
  EXPECT_EQ(report.CaptureFile(), TempName(1));
  struct stat info {};
  ASSERT_EQ(stat(TempName(1).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  report.Line("report");
  report.EndCapture("brief");
  EXPECT_EQ(ReadWholeFile(victim), "precious");
  EXPECT_TRUE(fs::is_symlink(TempName()));
  EXPECT_FALSE(fs::exists(TempName(1)));
}

TEST_F(ReportCapture, OutFileOnFullDiskIsReportedAndEndlessFileDoesNotHang) {
  if (!fs::exists("/dev/full") || !fs::exists("/dev/zero")) GTEST_SKIP() << "no /dev/full or /dev/zero";
  TReportFiles options;
  options.OutFile = "/dev/full";
  EXPECT_FALSE(RunReport(options, kGoodReport, ""));
  EXPECT_EQ(Console.str(), Joined(kGoodReport) + Joined({"Error: cannot write output file: /dev/full"}));
  Console.str("");
  options.OutFile = "/dev/zero";
  EXPECT_TRUE(RunReport(options, kGoodReport, ""));
  EXPECT_EQ(Console.str(), Joined(kGoodReport));
}
#endif
