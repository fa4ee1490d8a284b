#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/cif_model_text.h"
#include "support/test_support.h"

namespace {

TCifFile Loaded(std::string text) {
  TCifFile file;
  file.LoadFromText(std::move(text));
  return file;
}

TEST(CifFile, ReadsTheModelThatTheTextMeans) {
  const std::pair<const char*, TWords> cases[] = {
      // Items before the first data block form an unnamed first block.
      {"_a 1\nloop_ _b 2\ndata_x\n_c 3\n", {"data_", "_a = 1", "loop_ (1 rows)", "_b", "  2", "data_x", "_c = 3"}},
      // A tag without a value still opens the unnamed block.
      {"# header\n_last\n", {"data_"}},
      // Block names keep their case; tags are lower-cased.
      {"DATA_Abc\n_a 1\ndata_\n_b 2\n", {"data_Abc", "_a = 1", "data_", "_b = 2"}},
      {"data_x\n_Cell_Length_A 10\n_cell_length_a 20\n_V 'Keep Case'\n",
       {"data_x", "_cell_length_a = 10", "_cell_length_a = 20", "_v = Keep Case"}},
      // A tag takes the next token, whatever it is.
      {"data_x\n_a loop_\n_b _c\n_d data_y\n_e 'q'\n_last",
       {"data_x", "_a = loop_", "_b = _c", "_d = data_y", "_e = q"}},
      // An incomplete last row is not counted.
      {"data_x\nloop_\n_A _b _c\n1 2 3 4 5 6 7\n",
       {"data_x", "loop_ (2 rows)", "_a", "_b", "_c", "  1", "  2", "  3", "  4", "  5", "  6", "  7"}},
      // A loop without tags absorbs values until a tag.
      {"data_x\nloop_ 1 2 3\n_a 4\n", {"data_x", "_a = 4", "loop_ (0 rows)", "  1", "  2", "  3"}},
      // A quoted loop value does not end the loop.
      {"data_x\nloop_ _a '_x' \"loop_\"\n;\ndata_y\n;\n_x 1\n",
       {"data_x", "_x = 1", "loop_ (3 rows)", "_a", "  _x", "  loop_", "  data_y"}},
      // An unquoted reserved word ends a loop and is read next.
      {"data_x\nloop_ _a 1 2 loop_ _b 3 data_y _c 4\n",
       {"data_x", "loop_ (2 rows)", "_a", "  1", "  2", "loop_ (1 rows)", "_b", "  3", "data_y", "_c = 4"}},
      // Save frames and stray values leave no trace; an unclosed frame runs to the end.
      {"data_x\nsave_\n_a 1\nsave_frame\n_b 2\nloop_ _c 3\n'save_'\nSAVE_\nstray 'quoted stray'\nglobal_\n_d 4\n",
       {"data_x", "_a = 1", "_d = 4"}},
      {"data_x\n_a 1\nsave_f\n_b 2\ndata_y\n", {"data_x", "_a = 1"}},
      // A byte order mark is skipped and other bytes kept.
      {"\xEF\xBB\xBF" "data_bom\r_t 'caf\xE9 \xC3\xA9'\r", {"data_bom", "_t = caf\xE9 \xC3\xA9"}},
      // A block name ends at a blank.
      {"data_W-Pd cluster\n_a 1\n", {"data_W-Pd", "_a = 1"}},
  };
  for (const auto& [text, model] : cases) EXPECT_EQ(ModelOfText(text), model) << text;
}

TEST(CifFile, BlocksAreFoundIgnoringCaseAndTheFirstOfTwinTagsWins) {
  const TCifFile file = Loaded("DATA_Abc\n_a 1\ndata_\n_Cell_Length_A 10\n_cell_length_a 20\n");
  EXPECT_EQ(file.FindBlock("abc"), &file.Block(0));
  EXPECT_EQ(file.FindBlock(""), &file.Block(1));
  EXPECT_EQ(file.FindBlock("abd"), nullptr);
  EXPECT_EQ(file.Block(7).Name(), "");  // out of range: an empty block, no crash
  EXPECT_EQ(file.Block(1).GetItem("_CELL_LENGTH_A"), "10");
  EXPECT_EQ(file.Block(1).GetItem("_missing"), "");
}

TEST(CifFile, LoopValuesByRowAndColumn) {
  const TCifFile file = Loaded("data_x\nloop_\n_A _b _c\n1 2 3 4 5 6 7\n");
  const TCifLoop& loop = file.Block(0).Loops().at(0);
  EXPECT_EQ(loop.GetValue(1, 2), "6");
  EXPECT_EQ(loop.GetValue(2, 0), "7");
  for (const auto& [row, column] : {std::pair<std::size_t, int>{2, 1}, {0, 3}, {0, -1}, {static_cast<std::size_t>(-1), 0}})
    EXPECT_EQ(loop.GetValue(row, column), "") << row << " " << column;
  EXPECT_EQ(loop.ColumnIndex("_B"), 1);
  EXPECT_EQ(loop.ColumnIndex("_d"), -1);
}

TEST(CifFile, LoadingAgainReplacesTheBlocks) {
  TCifFile file = Loaded("data_a\ndata_b\n");
  file.LoadFromText("data_c\n");
  ASSERT_EQ(file.BlockCount(), 1);
  EXPECT_EQ(file.Block(0).Name(), "c");
}

TEST(CifFile, ViewsSurviveAMoveOfTheFile) {
  TCifFile file = Loaded("data_x\n_a\n;\nline1\nline2\n;\n");
  const std::string_view before = file.Block(0).GetItem("_a");
  TCifFile moved = std::move(file);
  EXPECT_EQ(moved.Block(0).GetItem("_a").data(), before.data());
  EXPECT_EQ(moved.Block(0).GetItem("_a"), "line1\r\nline2");
}

TEST(CifFile, BuildingOperationsCopyTheirTexts) {
  TCifFile file;
  TCifBlock& block = file.AddBlock("Built");
  {
    std::string tag = "_Cell_Length_A", value = "12.5(3)";
    block.AddItem(tag, value);
    TCifLoop& first = block.AddLoop();
    first.AddTag("_A");
    first.AddValue("1");
    TCifLoop& second = block.AddLoop();
    second.AddTag("_b");
    second.AddValue("2");
    tag.assign(tag.size(), 'x');
    value.assign(value.size(), 'x');
  }
  TCifLoop& first = block.Loops()[0];
  first.AddValue("3");  // a loop that is no longer the last one still grows in order
  EXPECT_EQ(block.GetItem("_cell_length_a"), "12.5(3)");
  EXPECT_EQ(AsStrings(first.Values()), (TWords{"1", "3"}));
  EXPECT_EQ(AsStrings(block.Loops()[1].Values()), (TWords{"2"}));
  EXPECT_EQ(file.FindBlock("built"), &file.Block(0));
}

TEST(CifFile, UnreadableFileFailsWithAMessageNamingIt) {
  TCifFile file = Loaded("data_old\n");
  std::string error;
  const std::string path = ScratchDir() + "/no_such_file.cif";
  EXPECT_FALSE(file.LoadFromFile(path, error));
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_EQ(file.BlockCount(), 0);
  EXPECT_FALSE(file.LoadFromFile(ScratchDir(), error));  // a directory
  EXPECT_NE(error.find(ScratchDir()), std::string::npos) << error;
}

TEST(CifFile, LoadsFromAFile) {
  const std::string path = WriteScratchFile("two.cif", "data_a\r\n_x 1\r\ndata_b\r\n_x 2\r\n");
  TCifFile file;
  std::string error;
  ASSERT_TRUE(file.LoadFromFile(path, error)) << error;
  EXPECT_EQ(file.BlockCount(), 2);
  EXPECT_EQ(file.Block(1).GetItem("_x"), "2");
}

// Inputs that must be absorbed without a crash, a hang or runaway memory.
TEST(CifFile, HostileInputIsAbsorbed) {
  std::string garbage;
  for (int i = 0; i < 200000; ++i) garbage += static_cast<char>((i * 7919) % 256);
  Loaded(garbage);

  EXPECT_EQ(Loaded(std::string(300000, '\'')).BlockCount(), 0);
  EXPECT_EQ(Loaded(std::string(300000, '"') + "\n'\n\"").BlockCount(), 0);

  const TCifFile longLine = Loaded("data_x _a " + std::string(20000000, 'v'));
  EXPECT_EQ(longLine.Block(0).GetItem("_a").size(), 20000000u);

  const TCifFile unterminated = Loaded("data_x\n_a\n;\nrest of the file\nwithout end");
  EXPECT_EQ(unterminated.Block(0).GetItem("_a"), "rest of the file\r\nwithout end");

  std::string loops = "data_x\n";
  for (int i = 0; i < 1000000; ++i) loops += "loop_\n";
  EXPECT_EQ(Loaded(loops).Block(0).Loops().size(), 1000000u);

  std::string crOnly;
  for (int i = 0; i < 200000; ++i) crOnly += "_t v\r";
  EXPECT_EQ(Loaded(crOnly).Block(0).ItemTags().size(), 200000u);
}

TEST(CifFile, RealCifsWithCrLfAndBlanksInBlockNames) {
  const std::string path = RealDataFile("cif/rsc_b110583n_PdW_4blocks.cif");
  if (path.empty()) GTEST_SKIP() << "no real data";
  TCifFile file;
  std::string error;
  ASSERT_TRUE(file.LoadFromFile(path, error)) << error;
  ASSERT_NE(file.FindBlock("W-Pd-Se-dppm"), nullptr);
  EXPECT_NE(file.FindBlock("W-Pd-Se-dppm")->FindLoop("_atom_site_fract_x"), nullptr);
}

}  // namespace
