#include "io/cif.h"

#include <climits>
#include <cmath>
#include <limits>
#include <cstring>
#include <fstream>
#include <functional>
#include <new>

#include "base/text.h"

// ================================================================ text store

namespace {

// A reference holds a 40-bit offset and a 24-bit length. Longer texts,
// offsets beyond 1 TiB and texts outside the file go to the spill table,
// marked by the all-ones length.
constexpr int kLengthBits = 24;
constexpr std::uint64_t kSpilled = (std::uint64_t{1} << kLengthBits) - 1;
constexpr std::uint64_t kOffsetLimit = std::uint64_t{1} << 40;

// A loop value in four bytes: the offset in the file text where its token
// starts (the opening quote of a quoted value); the token is read again
// when the value is asked for, which takes a few bytes of scanning. With
// the top bit set it is instead the index of a full reference: text fields,
// texts given to the building operations, and offsets of 2 GiB and more.
using TValueRef = std::uint32_t;
constexpr TValueRef kLongValue = 0x80000000u;

// The values of all loops of a file, in chunks that never move, so that a
// loop of a million values costs four bytes a value and no copy on growth.
class TValueStore {
 public:
  std::size_t Size() const { return Count; }
  void Append(TValueRef ref) {
    if (Free == FreeEnd) {
      // Not value-initialised: every slot is written before it is read.
      Chunks.push_back(std::make_unique_for_overwrite<TValueRef[]>(kChunk));
      Free = Chunks.back().get();
      FreeEnd = Free + kChunk;
    }
    *Free++ = ref;
    ++Count;
  }
  TValueRef At(std::size_t i) const { return Chunks[i >> kShift][i & (kChunk - 1)]; }
  void Clear() {
    Chunks.clear();
    Count = 0;
    Free = FreeEnd = nullptr;
  }

 private:
  static constexpr int kShift = 14;
  static constexpr std::size_t kChunk = std::size_t{1} << kShift;
  std::vector<std::unique_ptr<TValueRef[]>> Chunks;
  std::size_t Count = 0;
  TValueRef* Free = nullptr;  // the free slots of the last chunk
  TValueRef* FreeEnd = nullptr;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsBlankOrLineEnd(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The token that starts at p, read as the lexer reads it within its line:
// a quoted string ends at the first quote of its kind followed by a blank
// or the end of the line, or else at the end of the line; any other token
// ends at a blank or the end of the line.
std::string_view TokenStartingAt(const char* p, const char* end) {
  const char first = *p;
  if (first == '\'' || first == '"') {
    const char* text = p + 1;
    const char* close = text;
    for (; close < end && *close != '\n' && *close != '\r'; ++close)
      if (*close == first && (close + 1 == end || IsBlankOrLineEnd(close[1]))) break;
    return std::string_view(text, static_cast<std::size_t>(close - text));
  }
  const char* stop = p;
  while (stop < end && !IsBlankOrLineEnd(*stop)) ++stop;
  return std::string_view(p, static_cast<std::size_t>(stop - p));
}

}  // namespace

struct TCifText {
  // The file as read: the string given to LoadFromText, or the buffer the
  // file was read into. Tags are lower-cased in place.
  std::string GivenText;
  std::unique_ptr<char[]> ReadBuffer;
  char* FileData = nullptr;
  std::size_t FileSize = 0;

  TCifTextArena Arena;
  std::vector<std::string_view> Spilled;
  std::vector<TCifTextRef> LongValues;
  TValueStore Values;

  std::string_view File() const { return std::string_view(FileData, FileSize); }

  void Adopt(std::string text) {
    GivenText = std::move(text);
    FileData = GivenText.data();
    FileSize = GivenText.size();
  }

  void Adopt(std::unique_ptr<char[]> buffer, std::size_t size) {
    ReadBuffer = std::move(buffer);
    FileData = ReadBuffer.get();
    FileSize = size;
  }

  bool LiesInFile(std::string_view text) const {
    const std::less<const char*> before;
    return !before(text.data(), FileData) &&
           !before(FileData + FileSize, text.data() + text.size());
  }

  TCifTextRef Spill(std::string_view text) {
    TCifTextRef ref;
    ref.Bits = (static_cast<std::uint64_t>(Spilled.size()) << kLengthBits) | kSpilled;
    Spilled.push_back(text);
    return ref;
  }

  // A text that lies in the file or in the arena.
  TCifTextRef RefOf(std::string_view text) {
    if (text.empty()) return TCifTextRef{};
    if (!LiesInFile(text)) return Spill(text);
    const auto offset = static_cast<std::uint64_t>(text.data() - FileData);
    const auto length = static_cast<std::uint64_t>(text.size());
    if (length >= kSpilled || offset >= kOffsetLimit) return Spill(text);
    TCifTextRef ref;
    ref.Bits = (offset << kLengthBits) | length;
    return ref;
  }

  // A text from anywhere: copied into the arena unless it lies in the file.
  TCifTextRef CopyOf(std::string_view text) {
    if (text.empty() || LiesInFile(text)) return RefOf(text);
    return Spill(Arena.Keep(text));
  }

  TCifTextRef LowerCopyOf(std::string_view tag) { return Spill(Arena.Keep(AsciiLowerCopy(tag))); }

  std::string_view View(TCifTextRef ref) const {
    const std::uint64_t length = ref.Bits & kSpilled;
    const std::uint64_t offset = ref.Bits >> kLengthBits;
    if (length == kSpilled) return Spilled[static_cast<std::size_t>(offset)];
    return std::string_view(FileData + offset, static_cast<std::size_t>(length));
  }

  TValueRef LongValue(TCifTextRef ref) {
    if (LongValues.size() >= kLongValue) throw std::bad_alloc();
    LongValues.push_back(ref);
    return static_cast<TValueRef>(LongValues.size() - 1) | kLongValue;
  }

  // A loop value as the lexer read it from the file text.
  TValueRef ValueRefOf(const TTok& token) {
    if (token.TextField || !LiesInFile(token.Text)) return LongValue(RefOf(token.Text));
    const std::size_t start =
        static_cast<std::size_t>(token.Text.data() - FileData) - (token.Quoted ? 1 : 0);
    if (start >= kLongValue) return LongValue(RefOf(token.Text));
    return static_cast<TValueRef>(start);
  }

  std::string_view ValueView(TValueRef ref) const {
    if ((ref & kLongValue) != 0) return View(LongValues[ref & ~kLongValue]);
    return TokenStartingAt(FileData + ref, FileData + FileSize);
  }

  void Clear() {
    GivenText.clear();
    GivenText.shrink_to_fit();
    ReadBuffer.reset();
    FileData = nullptr;
    FileSize = 0;
    Arena.Clear();
    Spilled.clear();
    LongValues.clear();
    Values.Clear();
  }
};

// ================================================================ arena

namespace {
constexpr std::size_t kArenaChunk = 64 * 1024;
// Texts at least this long get a chunk of their own (moved in, not copied).
constexpr std::size_t kOwnChunk = 4096;
}  // namespace

std::string_view TCifTextArena::Keep(std::string&& text) {
  if (text.size() < kOwnChunk) return Keep(std::string_view(text));
  Chunks.push_back(std::make_unique<std::string>(std::move(text)));
  return *Chunks.back();
}

std::string_view TCifTextArena::Keep(std::string_view text) {
  if (text.empty()) return {};
  if (text.size() >= kOwnChunk) {
    Chunks.push_back(std::make_unique<std::string>(text));
    return *Chunks.back();
  }
  // A packing chunk is reserved once and never grown, so its bytes never move.
  if (Packing == nullptr || Packing->capacity() - Packing->size() < text.size()) {
    Chunks.push_back(std::make_unique<std::string>());
    Packing = Chunks.back().get();
    Packing->reserve(kArenaChunk);
  }
  const std::size_t at = Packing->size();
  Packing->append(text);
  return std::string_view(Packing->data() + at, text.size());
}

void TCifTextArena::Clear() {
  Chunks.clear();
  Packing = nullptr;
}

// ================================================================ lexer
//
// The lexer of io/cif_lexer.h lives here, beside the reader that streams its
// tokens: in one translation unit the compiler inlines the token loop, which
// runs once for every value of the file.

namespace {

// Walks the lines of a text; lines end at CR LF, LF or CR. The positions of
// the next LF and the next CR are kept between calls, so that a file with
// only one kind of line end is still searched once, not once a line.
class TLineCursor {
 public:
  explicit TLineCursor(std::string_view text) : Text(text) {
    NextLf = Find('\n', 0);
    NextCr = Find('\r', 0);
  }

  bool Next(std::string_view& line) {
    if (Pos >= Text.size()) return false;
    if (NextLf < Pos) NextLf = Find('\n', Pos);
    if (NextCr < Pos) NextCr = Find('\r', Pos);
    const std::size_t end = NextLf < NextCr ? NextLf : NextCr;
    line = Text.substr(Pos, end - Pos);
    if (end >= Text.size())
      Pos = Text.size();
    else if (Text[end] == '\r' && end + 1 < Text.size() && Text[end + 1] == '\n')
      Pos = end + 2;
    else
      Pos = end + 1;
    return true;
  }

 private:
  std::size_t Find(char c, std::size_t from) const {
    if (from >= Text.size()) return Text.size();
    const void* hit = std::memchr(Text.data() + from, c, Text.size() - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - Text.data())
               : Text.size();
  }

  std::string_view Text;
  std::size_t Pos = 0;
  std::size_t NextLf = 0;
  std::size_t NextCr = 0;
};

// The next token of a line from pos on; false at the end of the line or at
// a comment.
bool NextTokenInLine(std::string_view line, std::size_t& pos, TTok& token) {
  // Pointers held in locals: this runs once for every token of the file.
  const char* const begin = line.data();
  const char* const end = begin + line.size();
  const char* p = begin + pos;
  while (p < end && IsBlank(*p)) ++p;
  if (p >= end || *p == '#') {
    pos = line.size();
    return false;
  }
  const char c = *p;
  token.TextField = false;
  if (c == '\'' || c == '"') {
    // The closing quote is the first one of the same kind followed by a
    // blank or the end of the line, so 'it's' reads as it's.
    const char* const text = p + 1;
    const char* close = text;
    while (close < end && !(*close == c && (close + 1 == end || IsBlank(close[1])))) ++close;
    token.Text = std::string_view(text, static_cast<std::size_t>(close - text));
    token.Quoted = true;
    pos = static_cast<std::size_t>((close < end ? close + 1 : end) - begin);
    return true;
  }
  const char* const start = p;
  while (p < end && !IsBlank(*p)) ++p;
  token.Text = std::string_view(start, static_cast<std::size_t>(p - start));
  token.Quoted = false;
  pos = static_cast<std::size_t>(p - begin);
  return true;
}

bool IsTextFieldDelimiter(std::string_view line) { return !line.empty() && line[0] == ';'; }

// Tokens of a whole file text, one at a time.
class TCifLexer {
 public:
  TCifLexer(std::string_view text, TCifTextArena& arena) : Text(text), Lines(text), Arena(arena) {}

  bool Next(TTok& token) {
    for (;;) {
      if (NextTokenInLine(Line, Pos, token)) return true;
      std::string_view line;
      if (!Lines.Next(line)) return false;
      Line = {};
      Pos = 0;
      if (IsTextFieldDelimiter(line)) {
        ReadTextField(line, token);
        return true;
      }
      Line = line;
    }
  }

 private:
  std::size_t OffsetOf(std::string_view part) const {
    return static_cast<std::size_t>(part.data() - Text.data());
  }

  // The field's lines are joined with CR LF. In a file with CR LF line ends
  // the joined text is the file's own bytes, so a first pass measures the
  // field and finds out; otherwise a second pass builds the text once, at
  // its final size.
  void ReadTextField(std::string_view openingLine, TTok& token) {
    const std::string_view rest = TrimControl(openingLine.substr(1));
    const TLineCursor fieldStart = Lines;
    std::size_t size = rest.size();
    std::size_t begin = OffsetOf(rest);
    std::size_t end = begin + rest.size();
    bool contiguous = true;
    std::string_view line;
    while (Lines.Next(line) && !IsTextFieldDelimiter(line)) {
      const std::size_t lineBegin = OffsetOf(line);
      if (size == 0) {
        if (line.empty()) continue;  // empty lines before any text leave no trace
        begin = lineBegin;
        size = line.size();
      } else {
        contiguous = contiguous && lineBegin == end + 2 && Text[end] == '\r' && Text[end + 1] == '\n';
        size += 2 + line.size();
      }
      end = lineBegin + line.size();
    }
    token.Quoted = true;
    token.TextField = true;
    if (size == 0) {
      token.Text = {};
    } else if (contiguous) {
      token.Text = Text.substr(begin, size);
    } else {
      token.Text = Arena.Keep(JoinField(rest, fieldStart, size));
    }
  }

  static std::string JoinField(std::string_view rest, TLineCursor lines, std::size_t size) {
    std::string joined;
    joined.reserve(size);
    joined.append(rest);
    std::string_view line;
    while (lines.Next(line) && !IsTextFieldDelimiter(line)) {
      if (!joined.empty()) joined.append("\r\n");
      joined.append(line);
    }
    return joined;
  }

  std::string_view Text;
  TLineCursor Lines;
  TCifTextArena& Arena;
  std::string_view Line;  // the line being split into tokens
  std::size_t Pos = 0;
};

// One token of lookahead over the lexer.
class TTokenStream {
 public:
  TTokenStream(std::string_view text, TCifTextArena& arena) : Lexer(text, arena) {}

  const TTok* Peek() {
    if (!HasPeeked) HasPeeked = Lexer.Next(Peeked);
    return HasPeeked ? &Peeked : nullptr;
  }
  bool Take(TTok& token) {
    if (!Peek()) return false;
    token = Peeked;
    HasPeeked = false;
    return true;
  }
  // Passes over the token that Peek showed.
  void Drop() { HasPeeked = false; }

 private:
  TCifLexer Lexer;
  TTok Peeked;
  bool HasPeeked = false;
};

bool StartsWithIgnoringCase(std::string_view text, std::string_view lowerPrefix) {
  return text.size() >= lowerPrefix.size() &&
         SameTextIgnoringCase(text.substr(0, lowerPrefix.size()), lowerPrefix);
}

bool IsTag(const TTok& token) {
  return !token.Quoted && !token.Text.empty() && token.Text[0] == '_';
}

}  // namespace

void TokenizeLine(std::string_view line, TTokArray& tokens) {
  std::size_t pos = 0;
  TTok token;
  while (NextTokenInLine(line, pos, token)) tokens.push_back(token);
}

TTokArray TokenizeFile(std::string_view text, TCifTextArena& arena) {
  TTokArray tokens;
  tokens.reserve(4096);
  TCifLexer lexer(text, arena);
  TTok token;
  while (lexer.Next(token)) tokens.push_back(token);
  tokens.shrink_to_fit();
  return tokens;
}

bool IsLoopEnd(const TTok& token) {
  if (token.Quoted) return false;
  const std::string_view text = token.Text;
  if (text.empty()) return false;
  // Most loop values are numbers or labels: decide on the first letter,
  // without a call for its case (this runs once for every value).
  switch (text[0]) {
    case '_': return true;
    case 'd': case 'g': case 'l': case 's': case 'D': case 'G': case 'L': case 'S': break;
    default: return false;
  }
  return SameTextIgnoringCase(text, "loop_") || SameTextIgnoringCase(text, "global_") ||
         StartsWithIgnoringCase(text, "data_") || StartsWithIgnoringCase(text, "save_");
}

// ================================================================ lists

std::string_view TCifTextList::operator[](std::size_t i) const {
  if (i >= Count || Text == nullptr) return {};
  if (Refs != nullptr) return Text->View(Refs[i]);
  return Text->ValueView(Text->Values.At(First + i));
}

TCifTextList::const_iterator TCifTextList::begin() const {
  const_iterator it;
  it.List = this;
  it.Index = 0;
  return it;
}

TCifTextList::const_iterator TCifTextList::end() const {
  const_iterator it;
  it.List = this;
  it.Index = Count;
  return it;
}

// ================================================================ loops

TCifTextList TCifTextList::OfRefs(const TCifText* text, const std::vector<TCifTextRef>& refs) {
  TCifTextList list;
  list.Text = text;
  list.Refs = refs.data();
  list.Count = refs.size();
  return list;
}

TCifTextList TCifTextList::OfValueRun(const TCifText* text, std::size_t first, std::size_t count) {
  TCifTextList list;
  list.Text = text;
  list.First = first;
  list.Count = count;
  return list;
}

TCifTextList TCifLoop::Tags() const { return TCifTextList::OfRefs(Text, TagRefs); }

TCifTextList TCifLoop::Values() const {
  return TCifTextList::OfValueRun(Text, ValueFirst, ValueCount);
}

int TCifLoop::ColumnIndex(std::string_view tag) const {
  if (Text == nullptr) return -1;
  const std::size_t n = TagRefs.size() < static_cast<std::size_t>(INT_MAX) ? TagRefs.size() : INT_MAX;
  for (std::size_t i = 0; i < n; ++i)
    if (SameTextIgnoringCase(Text->View(TagRefs[i]), tag)) return static_cast<int>(i);
  return -1;
}

std::size_t TCifLoop::RowCount() const {
  return TagRefs.empty() ? 0 : ValueCount / TagRefs.size();
}

std::string_view TCifLoop::GetValue(std::size_t row, int column) const {
  if (column < 0 || static_cast<std::size_t>(column) >= TagRefs.size()) return {};
  if (row >= ValueCount / TagRefs.size() + 1) return {};
  const std::size_t index = row * TagRefs.size() + static_cast<std::size_t>(column);
  if (index >= ValueCount) return {};
  return Text->ValueView(Text->Values.At(ValueFirst + index));
}

void TCifLoop::AddTag(std::string_view tag) {
  if (Text == nullptr) return;
  TagRefs.push_back(Text->LowerCopyOf(tag));
}

void TCifLoop::AddValue(std::string_view value) {
  if (Text == nullptr) return;
  // A loop's values are one run of the value store; a loop that is no
  // longer the last one to grow moves its run to the end first.
  if (ValueFirst + ValueCount != Text->Values.Size()) {
    const std::size_t moved = Text->Values.Size();
    for (std::size_t i = 0; i < ValueCount; ++i) Text->Values.Append(Text->Values.At(ValueFirst + i));
    ValueFirst = moved;
  }
  Text->Values.Append(Text->LongValue(Text->CopyOf(value)));
  ++ValueCount;
}

// ================================================================ blocks

std::string_view TCifBlock::Name() const { return Text ? Text->View(NameRef) : std::string_view(); }

TCifTextList TCifBlock::ItemTags() const { return TCifTextList::OfRefs(Text, TagRefs); }

TCifTextList TCifBlock::ItemValues() const { return TCifTextList::OfRefs(Text, ValueRefs); }

std::string_view TCifBlock::GetItem(std::string_view tag) const {
  if (Text == nullptr) return {};
  for (std::size_t i = 0; i < TagRefs.size(); ++i)
    if (SameTextIgnoringCase(Text->View(TagRefs[i]), tag)) return Text->View(ValueRefs[i]);
  return {};
}

const TCifLoop* TCifBlock::FindLoop(std::string_view tag) const {
  for (const TCifLoop& loop : LoopList)
    if (loop.HasTag(tag)) return &loop;
  return nullptr;
}

const TCifLoop* TCifBlock::FindLoopAny(std::initializer_list<std::string_view> tags) const {
  for (std::string_view tag : tags)
    if (const TCifLoop* loop = FindLoop(tag)) return loop;
  return nullptr;
}

void TCifBlock::AddItem(std::string_view tag, std::string_view value) {
  if (Text == nullptr) return;
  TagRefs.push_back(Text->LowerCopyOf(tag));
  ValueRefs.push_back(Text->CopyOf(value));
}

TCifLoop& TCifBlock::AddLoop() {
  TCifLoop& loop = LoopList.emplace_back();
  loop.Text = Text;
  loop.ValueFirst = Text ? Text->Values.Size() : 0;
  return loop;
}

// ================================================================ building

// Walks the tokens and builds the blocks. Tags are lower-cased in place in
// the file text: a token is either a tag or a value, never both, and the
// case of a tag is not kept.
class TCifBuilder {
 public:
  TCifBuilder(TCifText& text, std::deque<TCifBlock>& blocks) : Text(text), Blocks(blocks) {}

  void Build() {
    TTokenStream tokens(SkipUtf8Bom(Text.File()), Text.Arena);
    TTok token;
    while (tokens.Take(token)) {
      if (token.Quoted) continue;  // a value without a tag
      const std::string_view word = token.Text;
      if (StartsWithIgnoringCase(word, "data_")) {
        OpenBlock(word.substr(5));
      } else if (SameTextIgnoringCase(word, "global_")) {
        continue;
      } else if (StartsWithIgnoringCase(word, "save_")) {
        if (word.size() > 5) SkipSaveFrame(tokens);
      } else if (SameTextIgnoringCase(word, "loop_")) {
        ReadLoop(tokens);
      } else if (IsTag(token)) {
        // A tag opens the unnamed block even when it is the last token of
        // the file and is dropped for want of a value.
        Current();
        TTok value;
        if (tokens.Take(value)) AddItem(token, value);
      }
    }
  }

 private:
  TCifBlock& Current() {
    if (Blocks.empty()) OpenBlock({});
    return Blocks.back();
  }

  void OpenBlock(std::string_view name) {
    TCifBlock& block = Blocks.emplace_back();
    block.Text = &Text;
    block.NameRef = Text.RefOf(name);
  }

  TCifTextRef TagRef(std::string_view tag) {
    if (!Text.LiesInFile(tag)) return Text.LowerCopyOf(tag);
    char* inFile = Text.FileData + (tag.data() - Text.FileData);
    for (std::size_t i = 0; i < tag.size(); ++i) inFile[i] = AsciiLower(inFile[i]);
    return Text.RefOf(tag);
  }

  void AddItem(const TTok& tag, const TTok& value) {
    TCifBlock& block = Current();
    block.TagRefs.push_back(TagRef(tag.Text));
    block.ValueRefs.push_back(Text.RefOf(value.Text));
  }

  static void SkipSaveFrame(TTokenStream& tokens) {
    TTok token;
    while (tokens.Take(token))
      if (!token.Quoted && SameTextIgnoringCase(token.Text, "save_")) return;
  }

  void ReadLoop(TTokenStream& tokens) {
    TCifLoop& loop = Current().AddLoop();
    TTok token;
    while (const TTok* next = tokens.Peek()) {
      if (!IsTag(*next)) break;
      tokens.Take(token);
      loop.TagRefs.push_back(TagRef(token.Text));
    }
    while (const TTok* next = tokens.Peek()) {
      if (IsLoopEnd(*next)) break;
      Text.Values.Append(Text.ValueRefOf(*next));
      tokens.Drop();
      ++loop.ValueCount;
    }
  }

  TCifText& Text;
  std::deque<TCifBlock>& Blocks;
};

// ================================================================ file

namespace {

// The whole file in one buffer of its size, read at once. The buffer is not
// value-initialised: the read fills it, and the system zeroes a fresh page
// anyway. Files whose size is not known beforehand (pipes, special files)
// are read by ReadFileText, with its limit.
bool ReadWholeFile(const std::string& path, TCifText& text, std::string& failure) {
  std::ifstream in(path, std::ios::binary);
  if (in) {
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    // Sizes beyond any memory (a directory reports the largest offset) are
    // left to ReadFileText, which refuses them.
    constexpr std::streamoff kLargestBuffer = std::streamoff{1} << 40;
    if (size > 0 && size < kLargestBuffer) {
      std::unique_ptr<char[]> buffer;
      try {
        buffer = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size));
      } catch (const std::exception&) {
        failure = "the file is too large to read";
        return false;
      }
      in.read(buffer.get(), size);
      if (in.gcount() != size) {
        failure = "read error";
        return false;
      }
      text.Adopt(std::move(buffer), static_cast<std::size_t>(size));
      return true;
    }
  }
  std::string whole;
  if (!ReadFileText(path, whole, failure)) return false;
  text.Adopt(std::move(whole));
  return true;
}

// The disk is read straight into the file buffer; other sources hand over
// their text.
bool ReadCifText(const TFileSource& files, const std::string& path, TCifText& text,
                 std::string& failure) {
  if (&files == &DiskFiles()) return ReadWholeFile(path, text, failure);
  std::string whole;
  if (!files.Read(path, whole, failure)) return false;
  text.Adopt(std::move(whole));
  return true;
}

}  // namespace

TCifFile::TCifFile() : Text(std::make_unique<TCifText>()) {}
TCifFile::~TCifFile() = default;
TCifFile::TCifFile(TCifFile&&) noexcept = default;
TCifFile& TCifFile::operator=(TCifFile&&) noexcept = default;

void TCifFile::Clear() {
  Blocks.clear();
  if (Text)
    Text->Clear();
  else
    Text = std::make_unique<TCifText>();
}

bool TCifFile::LoadFromFile(const std::string& path, std::string& error,
                            const TFileSource& files) {
  error.clear();
  Clear();
  std::string failure;
  if (!ReadCifText(files, path, *Text, failure)) {
    Text->Clear();
    error = "cannot read the CIF " + path + ": " + failure;
    return false;
  }
  TCifBuilder(*Text, Blocks).Build();
  return true;
}

void TCifFile::LoadFromText(std::string text) {
  Clear();
  Text->Adopt(std::move(text));
  TCifBuilder(*Text, Blocks).Build();
}

int TCifFile::BlockCount() const {
  return Blocks.size() < static_cast<std::size_t>(INT_MAX) ? static_cast<int>(Blocks.size()) : INT_MAX;
}

const TCifBlock& TCifFile::Block(int i) const {
  static const TCifBlock kNoBlock;
  if (i < 0 || i >= BlockCount()) return kNoBlock;
  return Blocks[static_cast<std::size_t>(i)];
}

const TCifBlock* TCifFile::FindBlock(std::string_view name) const {
  for (const TCifBlock& block : Blocks)
    if (SameTextIgnoringCase(block.Name(), name)) return &block;
  return nullptr;
}

TCifBlock& TCifFile::AddBlock(std::string_view name) {
  if (!Text) Text = std::make_unique<TCifText>();
  TCifBlock& block = Blocks.emplace_back();
  block.Text = Text.get();
  block.NameRef = Text->CopyOf(name);
  return block;
}
