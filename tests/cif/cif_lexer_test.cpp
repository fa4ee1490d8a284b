#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/cif.h"

namespace {

// Tokens written as their text, quoted ones in angle brackets.
std::vector<std::string> Written(const TTokArray& tokens) {
  std::vector<std::string> out;
  for (const TTok& t : tokens) {
    std::string& word = out.emplace_back(t.Text);
    if (t.Quoted) word.insert(word.begin(), '<'), word.push_back('>');
  }
  return out;
}

std::vector<std::string> LineTokens(std::string_view line) {
  TTokArray tokens;
  TokenizeLine(line, tokens);
  return Written(tokens);
}

std::vector<std::string> FileTokens(std::string_view text) {
  TCifTextArena arena;
  return Written(TokenizeFile(text, arena));
}

using TWords = std::vector<std::string>;

struct TLineCase {
  const char* Line;
  TWords Tokens;
};

TEST(CifLexer, SplitsLinesByTheQuoteAndCommentRules) {
  const TLineCase cases[] = {
      {"  _cell_length_a\t10.5(2) ", {"_cell_length_a", "10.5(2)"}},
      {"C1 # a comment 'x'", {"C1"}},
      {"C#1 C2#3", {"C#1", "C2#3"}},
      {"'it's' next", {"<it's>", "next"}},
      {"'O1''", {"<O1'>"}},
      {"'O1'' ", {"<O1'>"}},
      {"\"say 'hi'\" x", {"<say 'hi'>", "x"}},
      {"'a\"b' \"c'd\"", {"<a\"b>", "<c'd>"}},
      {"'never closed here", {"<never closed here>"}},
      {"''", {"<>"}},
      {"'", {"<>"}},
      {"a;b ;c", {"a;b", ";c"}},
      {"x'y z", {"x'y", "z"}},
      {"", {}},
      {" \t ", {}},
  };
  for (const TLineCase& c : cases) EXPECT_EQ(LineTokens(c.Line), c.Tokens) << c.Line;
}

TEST(CifLexer, QuoteFollowedByNonBlankStaysInTheString) {
  EXPECT_EQ(LineTokens("'a'b' c"), (TWords{"<a'b>", "c"}));
  EXPECT_EQ(LineTokens("'a'\tb"), (TWords{"<a>", "b"}));
}

struct TFieldCase {
  const char* Name;
  const char* Text;
  TWords Tokens;
};

TEST(CifLexer, TextFieldsJoinTheirLinesWithCrLf) {
  const TFieldCase cases[] = {
      {"lf lines", "_a\n;\nline 1\n  line 2\n;\n_b 1\n", {"_a", "<line 1\r\n  line 2>", "_b", "1"}},
      {"crlf lines", "_a\r\n;\r\nline 1\r\n  line 2\r\n;\r\n", {"_a", "<line 1\r\n  line 2>"}},
      {"cr lines", "_a\r;\rone\rtwo\r;\r", {"_a", "<one\r\ntwo>"}},
      {"mixed", "_a\n;\r\none\rtwo\nthree\r\n;\n", {"_a", "<one\r\ntwo\r\nthree>"}},
      {"text on the opening line", "_a\n;  first  \nsecond\n;\n", {"_a", "<first\r\nsecond>"}},
      {"crlf with trimmed opening", "_a\r\n;first \r\nsecond\r\n;\r\n", {"_a", "<first\r\nsecond>"}},
      {"leading empty lines vanish", "_a\n;\n\n\nx\n;\n", {"_a", "<x>"}},
      {"inner empty lines stay", "_a\n;\nx\n\ny\n\n;\n", {"_a", "<x\r\n\r\ny\r\n>"}},
      {"inner empty lines crlf", "_a\r\n;\r\nx\r\n\r\ny\r\n;\r\n", {"_a", "<x\r\n\r\ny>"}},
      {"closing line rest ignored", "_a\n;text\n;  _next 1\n_c 2\n", {"_a", "<text>", "_c", "2"}},
      {"empty field", "_a\n;\n;\n", {"_a", "<>"}},
      {"unterminated at end", "_a\n;\nabc\ndef", {"_a", "<abc\r\ndef>"}},
      {"semicolon not in column 1", "_a\n ;x\n", {"_a", ";x"}},
      {"quotes inside a field", "_a\n;\n'open\n#no comment\n;\n", {"_a", "<'open\r\n#no comment>"}},
  };
  for (const TFieldCase& c : cases) EXPECT_EQ(FileTokens(c.Text), c.Tokens) << c.Name;
}

TEST(CifLexer, CrLfTextFieldIsAViewOfTheFileText) {
  const std::string text = "_a\r\n;\r\nline 1\r\nline 2\r\n;\r\n";
  TCifTextArena arena;
  const TTokArray tokens = TokenizeFile(text, arena);
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[1].Text.data(), text.data() + 7);
}

TEST(CifLexer, LineEndsOfEveryKindSplitLines) {
  EXPECT_EQ(FileTokens("a\nb\r\nc\rd"), (TWords{"a", "b", "c", "d"}));
  EXPECT_EQ(FileTokens("'open\nb"), (TWords{"<open>", "b"}));
  EXPECT_EQ(FileTokens("\r\n\r\n"), TWords{});
}

TEST(CifLexer, OnlyUnquotedReservedWordsAndTagsEndALoop) {
  struct TCase {
    TTok Token;
    bool Ends;
  } cases[] = {
      {{"_x", false}, true},         {{"_x", true}, false},        {{"LOOP_", false}, true},
      {{"loop_", true}, false},      {{"Global_", false}, true},   {{"data_abc", false}, true},
      {{"save_", false}, true},      {{"SAVE_frame", false}, true}, {{"1.5", false}, false},
      {{"loop", false}, false},      {{"x_", false}, false},       {{"", true}, false},
  };
  for (const TCase& c : cases) EXPECT_EQ(IsLoopEnd(c.Token), c.Ends) << c.Token.Text;
}

TEST(CifLexer, ArenaTextsDoNotMoveWhenMoreAreKept) {
  TCifTextArena arena;
  const std::string_view first = arena.Keep(std::string_view("short"));
  const char* where = first.data();
  for (int i = 0; i < 50000; ++i) arena.Keep(std::string_view("another short text"));
  arena.Keep(std::string(100000, 'x'));
  EXPECT_EQ(first.data(), where);
  EXPECT_EQ(first, "short");
}

}  // namespace
