// The CIF document: the file model of data blocks with single items and
// loops, read with the lexer of io/cif_lexer.h.
//
// The file text is kept once, in the TCifFile, read in one piece; tags,
// items and block names are eight-byte references into it, and a loop value
// is four bytes (where its token starts), so a value costs no allocation of
// its own. Tags are stored lower-cased (ASCII A to Z only), values as
// written. Every view handed out stays valid as long as the TCifFile lives
// and is not loaded again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "io/cif_lexer.h"
#include "io/cif_number.h"

struct TCifText;  // the file text and everything the references point into

// A text of the file model in eight bytes: a range of the file text, or an
// entry of the file's table of long and owned texts.
struct TCifTextRef {
  std::uint64_t Bits = 0;
};

// A read-only list of texts of the file model (tags or values), indexed
// like a vector of string_view.
class TCifTextList {
 public:
  class const_iterator {
   public:
    std::string_view operator*() const { return (*List)[Index]; }
    const_iterator& operator++() {
      ++Index;
      return *this;
    }
    bool operator==(const const_iterator& other) const { return Index == other.Index; }
    bool operator!=(const const_iterator& other) const { return Index != other.Index; }

   private:
    friend class TCifTextList;
    const TCifTextList* List = nullptr;
    std::size_t Index = 0;
  };

  std::size_t size() const { return Count; }
  bool empty() const { return Count == 0; }
  // The empty string for an index beyond the list.
  std::string_view operator[](std::size_t i) const;
  const_iterator begin() const;
  const_iterator end() const;

 private:
  friend class TCifBlock;
  friend class TCifLoop;
  static TCifTextList OfRefs(const TCifText* text, const std::vector<TCifTextRef>& refs);
  static TCifTextList OfValueRun(const TCifText* text, std::size_t first, std::size_t count);
  const TCifText* Text = nullptr;
  const TCifTextRef* Refs = nullptr;  // contiguous refs, or null: values First.. of the file
  std::size_t First = 0;
  std::size_t Count = 0;
};

class TCifLoop {
 public:
  TCifTextList Tags() const;    // lower-cased, in the order written
  TCifTextList Values() const;  // row after row
  // Index of the first column with this tag (any case), or -1.
  int ColumnIndex(std::string_view tag) const;
  bool HasTag(std::string_view tag) const { return ColumnIndex(tag) != -1; }
  std::size_t ColumnCount() const { return TagRefs.size(); }
  // Complete rows only: an incomplete last row is not counted.
  std::size_t RowCount() const;
  // The empty string outside the loop.
  std::string_view GetValue(std::size_t row, int column) const;

  // Building operations. The texts are copied unless they lie in the file.
  void AddTag(std::string_view tag);
  void AddValue(std::string_view value);

 private:
  friend class TCifBlock;
  friend class TCifBuilder;
  TCifText* Text = nullptr;
  std::vector<TCifTextRef> TagRefs;
  std::size_t ValueFirst = 0;  // index in the file's value store
  std::size_t ValueCount = 0;
};

class TCifBlock {
 public:
  // The text after "data_" as written; empty for an unnamed block.
  std::string_view Name() const;
  TCifTextList ItemTags() const;  // lower-cased
  TCifTextList ItemValues() const;
  const std::vector<TCifLoop>& Loops() const { return LoopList; }
  std::vector<TCifLoop>& Loops() { return LoopList; }

  // Value of the first single item with this tag (any case); "" when none.
  std::string_view GetItem(std::string_view tag) const;
  // The first loop with a column of this tag; nullptr when none.
  const TCifLoop* FindLoop(std::string_view tag) const;
  // FindLoop for each tag in turn: the order of the tags decides.
  const TCifLoop* FindLoopAny(std::initializer_list<std::string_view> tags) const;

  // Building operations. The texts are copied unless they lie in the file.
  void AddItem(std::string_view tag, std::string_view value);
  // The new loop; the reference lasts until the next AddLoop of this block.
  TCifLoop& AddLoop();

 private:
  friend class TCifFile;
  friend class TCifBuilder;
  TCifText* Text = nullptr;
  TCifTextRef NameRef;
  std::vector<TCifTextRef> TagRefs;
  std::vector<TCifTextRef> ValueRefs;
  std::vector<TCifLoop> LoopList;
};

class TCifFile {
 public:
  TCifFile();
  ~TCifFile();
  TCifFile(TCifFile&&) noexcept;
  TCifFile& operator=(TCifFile&&) noexcept;
  TCifFile(const TCifFile&) = delete;
  TCifFile& operator=(const TCifFile&) = delete;

  // Replaces the blocks held by those of the file. false when the file
  // cannot be opened or read; error is then a complete message naming it.
  bool LoadFromFile(const std::string& path, std::string& error,
                    const TFileSource& files = DiskFiles());
  // The same from a file text already in memory; cannot fail.
  void LoadFromText(std::string text);

  int BlockCount() const;
  // The block at 0-based index i; an empty block for an index out of range.
  const TCifBlock& Block(int i) const;
  // First block whose name equals name ignoring ASCII case; nullptr if none.
  const TCifBlock* FindBlock(std::string_view name) const;

  // Building operation: appends a block. The reference lasts until the next
  // AddBlock or load.
  TCifBlock& AddBlock(std::string_view name);

 private:
  void Clear();
  std::unique_ptr<TCifText> Text;
  std::deque<TCifBlock> Blocks;
};
