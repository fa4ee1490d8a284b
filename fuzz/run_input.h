// The whole run that the run target makes of its input, shared with the
// tests that replay what the fuzzing found. The first four bytes choose the
// kind of file and the arguments, the rest is the file: for a SHELX file
// with its matrix, the .res text, a form feed, then the .mat text.
//
//   byte 0  the file: CIF, res, res + mat, XYZ, or a res asked for as .cif
//   byte 1  two entries of the option table (byte % n and byte / n % n)
//   byte 2  which word of the file is the central atom's name
//   byte 3  automatic ligands (5 values in 8), or the words after the centre as named
//           ligands (4 or 5, some with a site code)
//
// Options that take new values belong in kOptionVariants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace fuzzrun {

// Never --out, and --html only to /dev/null: a run writes nothing but its
// temporary capture.
inline const std::vector<std::vector<std::string>> kOptionVariants = {
    {},
    {"--calc"},
    {"--tol=0.6"},
    {"tol=0.1"},
    {"--max=6"},
    {"max=2.5", "--calc"},
    {"--occ=0.9"},
    {"--brief"},
    {"--xyznames=position"},
    {"xyznames=element"},
    {"--tol=-1"},
    {"--max=9000"},
    {"--occ=0"},
    {"--block=1"},
    {"--tol=1.2", "--max=4"},
    {"--format=json"},
    {"format=csv"},
    {"--all"},
    {"--shapes=all"},
    {"shapes=SP-4,oc-6,TBPY-5"},
    {"--shapes=all", "--format=csv"},
    {"--shapes=all", "--html=/dev/null"},
};

inline const char* const kSiteCodes[] = {"1_555", "2_565", "3_455", "1_556"};

// Words that may be atom names: runs of printable characters that start
// with a letter. A word with "=" could be an option's bare form (out=...),
// which would write a report file: such words are left out.
inline std::vector<std::string_view> NameLikeWords(std::string_view text) {
  std::vector<std::string_view> words;
  size_t k = 0;
  while (k < text.size() && words.size() < 4096) {
    while (k < text.size() && static_cast<unsigned char>(text[k]) <= 32) ++k;
    const size_t start = k;
    while (k < text.size() && static_cast<unsigned char>(text[k]) > 32) ++k;
    const std::string_view word = text.substr(start, k - start);
    if (!word.empty() && IsAsciiLetter(word[0]) && word.find('=') == std::string_view::npos)
      words.push_back(word);
  }
  return words;
}



// The input split at the first form feed: the part before and the part after
// (empty when there is none).
inline void SplitAtFormFeed(std::string_view text, std::string_view& first, std::string_view& second) {
  const std::size_t cut = text.find('\f');
  first = text.substr(0, cut);
  second = cut == std::string_view::npos ? std::string_view() : text.substr(cut + 1);
}

// The structure that a matrix file without one of its own is checked
// against: a square-planar Ni complex, N4 with its z fixed.
inline constexpr std::string_view kFixedMatrixStructure =
    "TITL fixed\nCELL 0.71073 10 10 10 90 90 90\nLATT -1\nSFAC N NI\nFVAR 1.0\n"
    "NI1 2 0.5 0.5 0.5 11 0.02\nN1 1 0.7 0.51 0.49 11 0.02\nN2 1 0.3 0.49 0.52 11 0.02\n"
    "N3 1 0.51 0.7 0.48 11 0.02\nN4 1 0.49 0.3 10.51 11 0.02\nHKLF 4\nEND\n";

struct TFuzzRun {
  bool Usable = false;  // false: too short, or no word for a central atom
  std::vector<std::string> Args;
  TMemoryFiles Files;
};

inline TFuzzRun MakeFuzzRun(const std::uint8_t* data, std::size_t size) {
  TFuzzRun run;
  if (size < 4) return run;
  const std::string_view body(reinterpret_cast<const char*>(data) + 4, size - 4);
  std::string asked;
  std::string_view structure = body;
  switch (data[0] % 5) {
    case 0:
      asked = "/fuzz/input.cif";
      run.Files.Add(asked, std::string(body));
      break;
    case 1:
      asked = "/fuzz/input.res";
      run.Files.Add(asked, std::string(body));
      break;
    case 2: {
      std::string_view res, mat;
      SplitAtFormFeed(body, res, mat);
      asked = "/fuzz/input.res";
      run.Files.Add(asked, std::string(res));
      run.Files.Add("/fuzz/input.mat", std::string(mat));
      structure = res;
      break;
    }
    case 3:
      asked = "/fuzz/input.xyz";
      run.Files.Add(asked, std::string(body));
      break;
    default:
      run.Files.Add("/fuzz/input.res", std::string(body));
      asked = "/fuzz/input.cif";
      break;
  }
  const std::vector<std::string_view> words = NameLikeWords(structure);
  if (words.empty()) return run;
  const size_t centre = data[2] % words.size();
  run.Args = {asked, std::string(words[centre])};
  // Named ligands widen the search to 8 A, which costs an instrumented run
  // ten times what the bond radius costs: three in eight runs name them.
  const int ligandMode = data[3] % 8 < 5 ? 0 : data[3] % 8 - 4;
  if (ligandMode > 0) {
    const size_t count = ligandMode == 2 ? 5 : 4;
    for (size_t k = 1; k <= count; ++k) {
      std::string name(words[(centre + k) % words.size()]);
      if (ligandMode == 3 && (data[3] >> (2 + k % 6)) & 1) {
        name += '#';
        name += kSiteCodes[(data[3] >> 4) % 4];
      }
      run.Args.push_back(std::move(name));
    }
  }
  const size_t variants = kOptionVariants.size();
  std::vector<std::string> options;
  for (size_t pick : {data[1] % variants, data[1] / variants % variants})
    for (const std::string& option : kOptionVariants[pick]) options.push_back(option);
  // A survey takes input files only.
  for (const std::string& option : options)
    if (option == "--all") run.Args.resize(1);
  run.Args.insert(run.Args.end(), options.begin(), options.end());
  run.Usable = true;
  return run;
}

}  // namespace fuzzrun
