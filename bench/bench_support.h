// Small helpers shared by the benchmark generators.
#pragma once

#include <cstdint>
#include <string>

// A fixed sequence, so that every run writes the same files.
class TSequence {
 public:
  int Next(int below) {
    State = State * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((State >> 33) % static_cast<std::uint64_t>(below));
  }
  // In [0, 1).
  double Fraction() { return Next(1 << 30) / static_cast<double>(1 << 30); }

 private:
  std::uint64_t State = 88172645463325252ULL;
};

// Appends the pieces in turn (no temporaries of "a" + b + "c").
template <class... TPieces>
void Put(std::string& out, const TPieces&... pieces) {
  (out.append(pieces), ...);
}

template <class... TPieces>
std::string Joined(const TPieces&... pieces) {
  std::string text;
  Put(text, pieces...);
  return text;
}

inline std::string Number(int value) { return std::to_string(value); }

inline std::string Padded(int value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}
