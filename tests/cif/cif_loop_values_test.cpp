// Loop values are kept as the places where their tokens start and read
// again when asked for; the file is read into one buffer. These tests hold
// the values and the model to what the lexer and a text load give.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "support/cif_model_text.h"
#include "base/text.h"

namespace {

// The values of a one-column loop, and the tokens the lexer reads from the
// same value text.
struct TLoopReading {
  TWords Values;
  TWords Tokens;
};

TLoopReading ReadOneColumnLoop(const std::string& values) {
  TCifFile file;
  file.LoadFromText("data_x\nloop_\n_v\n" + values);
  TLoopReading reading;
  if (file.BlockCount() == 1 && file.Block(0).Loops().size() == 1)
    reading.Values = AsStrings(file.Block(0).Loops()[0].Values());
  TCifTextArena arena;
  for (const TTok& token : TokenizeFile(values, arena)) reading.Tokens.emplace_back(token.Text);
  return reading;
}

TEST(CifLoopValues, EveryValueReadsBackAsTheLexerReadIt) {
  const char* const cases[] = {
      "plain 1.234(5) -0.5 .",
      "'it's' 'a' \"b c\" '' \"\"",
      "'quote then tab'\tnext",
      "'unclosed to the end of the line\nafter",
      "'two''quotes' \"mixed 'inner' quotes\"",
      "a#b c # a comment\nd",
      "x ;not-a-field y",
      "crlf\r\nline\r\nends\r\n",
      "cr\ronly\rends",
      "\n;\ntext field\nof two lines\n;\nafter",
      "\r\n;first\r\nsecond\r\n;\r\nafter",
      "\n;\n;\nempty_field_before",
      "last_value_without_line_end",
      "'quoted at the very end'",
      "'unclosed at the very end",
  };
  for (const char* values : cases) {
    const TLoopReading reading = ReadOneColumnLoop(values);
    EXPECT_FALSE(reading.Values.empty()) << values;
    EXPECT_EQ(reading.Values, reading.Tokens) << values;
  }
}

TEST(CifLoopValues, SpecialValuesKeepTheirText) {
  EXPECT_EQ(ReadOneColumnLoop("'it's' '' x;y").Values, (TWords{"it's", "", "x;y"}));
  EXPECT_EQ(ReadOneColumnLoop("\n;\nline1\nline2\n;\n").Values, (TWords{"line1\r\nline2"}));
  EXPECT_EQ(ReadOneColumnLoop("'open\nnext").Values, (TWords{"open", "next"}));
}

TEST(CifLoopValues, RowsAndColumnsOfAMixedLoop) {
  TCifFile file;
  file.LoadFromText(
      "data_x\nloop_\n_atom_site_label\n_atom_site_fract_x\n_note\n"
      "Ni1 0.1(2) 'a note'\nP1 0.2 ?\nCl1 '0.3'\n;\nfield\n;\n_after 1\n");
  const TCifLoop& loop = file.Block(0).Loops()[0];
  ASSERT_EQ(loop.RowCount(), 3u);
  EXPECT_EQ(loop.GetValue(0, 2), "a note");
  EXPECT_EQ(loop.GetValue(1, 1), "0.2");
  EXPECT_EQ(loop.GetValue(2, 1), "0.3");
  EXPECT_EQ(loop.GetValue(2, 2), "field");
  EXPECT_EQ(loop.GetValue(3, 0), "");
  EXPECT_EQ(file.Block(0).GetItem("_after"), "1");
}

TEST(CifLoopValues, BuiltLoopsBesideLoadedOnesKeepTheirValues) {
  TCifFile file;
  file.LoadFromText("data_x\nloop_ _a 'x y' z\nloop_ _b 1\n");
  TCifBlock& built = file.AddBlock("y");
  TCifLoop& first = built.AddLoop();
  first.AddTag("_c");
  first.AddValue("c1");
  built.AddLoop().AddValue("d1");
  built.Loops()[0].AddValue("c2");  // no longer the last loop: its values move to the end
  EXPECT_EQ(AsStrings(file.Block(0).Loops()[0].Values()), (TWords{"x y", "z"}));
  EXPECT_EQ(AsStrings(file.Block(0).Loops()[1].Values()), TWords{"1"});
  EXPECT_EQ(AsStrings(built.Loops()[0].Values()), (TWords{"c1", "c2"}));
  EXPECT_EQ(AsStrings(built.Loops()[1].Values()), TWords{"d1"});
}

TWords ModelOfFile(const std::string& path) {
  TCifFile file;
  std::string error;
  EXPECT_TRUE(file.LoadFromFile(path, error)) << error;
  return ModelText(file);
}

TEST(CifLoopValues, AFileReadFromDiskGivesTheModelOfItsText) {
  const std::string text =
      "\xEF\xBB\xBF" "data_Bom\r\n_Cell_Length_A 10(1)\r\nloop_\r\n_A _b\r\n'q 1' x\r\n;\r\nf\r\n;\r\n"
      "y\r\n";
  EXPECT_EQ(ModelOfFile(WriteScratchFile("bom_crlf.cif", text)), ModelOfText(text));
  EXPECT_EQ(ModelOfFile(WriteScratchFile("empty.cif", "")), TWords{});
}

TEST(CifLoopValues, EveryRealCifGivesTheSameModelFromDiskAndFromText) {
  const std::string dir = RealDataFile("cif");
  if (dir.empty()) GTEST_SKIP() << "no real data";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".cif") continue;
    ++files;
    const std::string path = entry.path().string();
    std::string text, failure;
    ASSERT_TRUE(ReadFileText(path, text, failure)) << failure;
    const TWords model = ModelOfFile(path);
    EXPECT_EQ(model, ModelOfText(text)) << path;
    // Every real file has a named first block.
    EXPECT_TRUE(!model.empty() && model[0] != "data_") << path;
  }
  EXPECT_EQ(files, 40);
}

}  // namespace
