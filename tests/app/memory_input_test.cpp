// Whole runs on input files held in memory give exactly what the same runs
// on the files give, for every kind of input and for the failures.
#include <gtest/gtest.h>

#include <sstream>

#include "support/run_support.h"
#include "support/test_support.h"

namespace {

TRunResult RunOnMemory(const std::vector<std::string>& args, const TMemoryFiles& files) {
  std::ostringstream console;
  TRunResult result;
  result.Status = RunVexorin(args, console, files);
  result.Console = console.str();
  return result;
}

struct TMemoryCase {
  const char* What;
  std::vector<std::string> Files;  // real-data or example paths; the first is the input
  std::vector<std::string> Atoms;
};

}  // namespace

TEST(MemoryInput, ARunOnFilesHeldInMemoryPrintsWhatTheRunOnTheDiskPrints) {
  const std::vector<TMemoryCase> cases = {
      {"CIF with angle table", {ExampleFile("ni_square_planar.cif")}, {"Ni1"}},
      {"CIF with named ligands", {ExampleFile("zn_tetrahedral.cif")}, {"Zn1", "Cl1 Cl1#2_555 N1 N1#2_555"}},
      {"XYZ", {ExampleFile("fe_trigonal_bipyramid.xyz")}, {"Fe2"}},
      {"missing central atom", {ExampleFile("ni_square_planar.cif")}, {"Xx9"}},
      {"SHELX with matrix",
       {RealDataFile("shelx/dom1_mC.res"), RealDataFile("mat/dom1_mC.mat")},
       {"FE02", "CL04 CL04#1_565 CL03 CL03#1_565 CL06"}},
  };
  for (const TMemoryCase& c : cases) {
    if (c.Files.back().empty()) continue;  // no real data beside the project
    // Both runs read the same names: the disk copies lie in one directory.
    TMemoryFiles memory;
    std::string input;
    for (const std::string& source : c.Files) {
      const std::string name = FileNameOnly(source);
      const std::string text = ReadWholeFile(source);
      const std::string path = WriteScratchFile(std::string("memory_case/") + name, text);
      memory.Add(path, text);
      if (input.empty()) input = path;
    }
    std::vector<std::string> args{input};
    args.insert(args.end(), c.Atoms.begin(), c.Atoms.end());
    const TRunResult disk = RunProgram(args);
    const TRunResult inMemory = RunOnMemory(args, memory);
    EXPECT_EQ(inMemory.Status, disk.Status) << c.What;
    EXPECT_EQ(inMemory.Console, disk.Console) << c.What;
    for (const std::string& source : c.Files)
      std::remove((ScratchDir() + "/memory_case/" + FileNameOnly(source)).c_str());
  }
}

TEST(MemoryInput, OnlyTheFilesHeldExist) {
  TMemoryFiles memory;
  memory.Add("a/x.xyz", "1\n\nNi 0 0 0\n");
  std::string text, failure;
  EXPECT_TRUE(memory.Exists("a/x.xyz"));
  EXPECT_FALSE(memory.Exists("a/x.cif"));
  EXPECT_FALSE(memory.Read("a/y.xyz", text, failure));
  EXPECT_EQ(failure, "cannot open the file");
  // The missing CIF falls back to the XYZ of the same stem held in memory.
  const TRunResult run = RunOnMemory({"a/x.cif", "Ni2"}, memory);
  EXPECT_EQ(run.Status, 2);
  EXPECT_NE(run.Console.find("XYZ file     : a/x.xyz"), std::string::npos) << run.Console;
}
