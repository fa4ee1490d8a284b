// The CIF lexer: tokens of a line or of a whole file, text fields joined
// in an arena, and what ends a loop.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One token of the file. Text views the file text, or the TCifTextArena
// that holds the joined lines of a text field.
struct TTok {
  std::string_view Text;   // without the quotes; for a text field its lines
  bool Quoted = false;     // quoted string or text field: always a value
  bool TextField = false;  // lines between two ';' lines
};
using TTokArray = std::vector<TTok>;

// Texts that are no range of the file text: text fields whose lines had to
// be joined with CR LF, and texts given to the building operations. What it
// hands out never moves while the arena lives.
class TCifTextArena {
 public:
  std::string_view Keep(std::string&& text);
  std::string_view Keep(std::string_view text);
  void Clear();

 private:
  std::vector<std::unique_ptr<std::string>> Chunks;
  std::string* Packing = nullptr;  // the chunk that short texts are packed into
};

// Splits one line outside a text field into tokens, appended to tokens.
void TokenizeLine(std::string_view line, TTokArray& tokens);
// All tokens of a file text in file order (text fields included). The
// tokens view text and arena.
TTokArray TokenizeFile(std::string_view text, TCifTextArena& arena);
// An unquoted loop_, global_, data_..., save_... or _tag ends a loop.
bool IsLoopEnd(const TTok& token);
