// Everything a CIF model holds, a line each, for whole-model comparisons:
// "data_<name>", "<tag> = <value>" for the items, and for each loop
// "loop_ (<rows> rows)", its tags, then "  <value>" for each value.
#pragma once

#include <string>
#include <vector>

#include "io/cif.h"

using TWords = std::vector<std::string>;

inline TWords ModelText(const TCifFile& file) {
  TWords text;
  for (int b = 0; b < file.BlockCount(); ++b) {
    const TCifBlock& block = file.Block(b);
    text.push_back("data_" + std::string(block.Name()));
    const TCifTextList tags = block.ItemTags();
    const TCifTextList values = block.ItemValues();
    for (std::size_t i = 0; i < tags.size(); ++i) text.push_back(std::string(tags[i]) + " = " + std::string(values[i]));
    for (const TCifLoop& loop : block.Loops()) {
      text.push_back("loop_ (" + std::to_string(loop.RowCount()) + " rows)");
      for (std::string_view tag : loop.Tags()) text.emplace_back(tag);
      for (std::string_view value : loop.Values()) text.push_back("  " + std::string(value));
    }
  }
  return text;
}

inline TWords ModelOfText(std::string text) {
  TCifFile file;
  file.LoadFromText(std::move(text));
  return ModelText(file);
}

inline TWords AsStrings(const TCifTextList& list) {
  TWords out;
  for (std::string_view text : list) out.emplace_back(text);
  return out;
}
