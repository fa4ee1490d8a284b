// Shared pieces of the fuzz targets: the input as text, a stream that
// drops what it is given, and the test of a whole run's output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

inline std::string_view InputText(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

class TNullBuffer final : public std::streambuf {
 protected:
  int overflow(int c) override { return c == traits_type::eof() ? 0 : c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// A console that prints nothing.
class TNullStream final : public std::ostream {
 public:
  TNullStream() : std::ostream(&Buffer) {}

 private:
  TNullBuffer Buffer;
};

// The run's catch-all lines for anything thrown other than its own errors:
// a finding, as is any other escape. An input may hold the words itself
// (a title the report repeats); then they prove nothing.
inline void RequireOwnErrorPath(std::string_view input, std::string_view console) {
  constexpr std::string_view kCatchAll = "Error: unexpected failure";
  if (input.find("unexpected failure") != std::string_view::npos) return;
  if (console.find(kCatchAll) != std::string_view::npos) std::abort();
}
