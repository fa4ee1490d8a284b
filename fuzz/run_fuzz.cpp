// A whole run on an input file held in memory. The first four bytes choose
// the kind of file and the arguments, the rest is the file: for a SHELX
// file with its matrix, the .res text, a form feed, then the .mat text.
//
//   byte 0  the file: CIF, res, res + mat, XYZ, or a res asked for as .cif
//   byte 1  two entries of the option table, one per half byte
//   byte 2  which word of the file is the central atom's name
//   byte 3  automatic ligands, or the words after the centre as named
//           ligands (4 or 5, some with a site code)
//
// Options that take new values belong in kOptionVariants.
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "run.h"
#include "utext.h"

namespace {

// Never --out or --html: a run writes nothing but its temporary capture.
const std::vector<std::vector<std::string>> kOptionVariants = {
    {},
    {"--calc"},
    {"--tol=0.6"},
    {"tol=0.1"},
    {"--max=12"},
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
    {},
};

const char* const kSiteCodes[] = {"1_555", "2_565", "3_455", "1_556"};

// Words that may be atom names: runs of printable characters that start
// with a letter.
std::vector<std::string_view> NameLikeWords(std::string_view text) {
  std::vector<std::string_view> words;
  size_t k = 0;
  while (k < text.size() && words.size() < 4096) {
    while (k < text.size() && static_cast<unsigned char>(text[k]) <= 32) ++k;
    const size_t start = k;
    while (k < text.size() && static_cast<unsigned char>(text[k]) > 32) ++k;
    if (k > start && IsAsciiLetter(text[start])) words.push_back(text.substr(start, k - start));
  }
  return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::string_view body = InputText(data + 4, size - 4);
  TMemoryFiles files;
  std::string asked;
  std::string_view structure = body;
  switch (data[0] % 5) {
    case 0:
      asked = "/fuzz/input.cif";
      files.Add(asked, std::string(body));
      break;
    case 1:
      asked = "/fuzz/input.res";
      files.Add(asked, std::string(body));
      break;
    case 2: {
      std::string_view res, mat;
      SplitAtFormFeed(body, res, mat);
      asked = "/fuzz/input.res";
      files.Add(asked, std::string(res));
      files.Add("/fuzz/input.mat", std::string(mat));
      structure = res;
      break;
    }
    case 3:
      asked = "/fuzz/input.xyz";
      files.Add(asked, std::string(body));
      break;
    default:
      files.Add("/fuzz/input.res", std::string(body));
      asked = "/fuzz/input.cif";
      break;
  }
  const std::vector<std::string_view> words = NameLikeWords(structure);
  if (words.empty()) return 0;
  const size_t centre = data[2] % words.size();
  std::vector<std::string> args{asked, std::string(words[centre])};
  const int ligandMode = data[3] % 4;
  if (ligandMode > 0) {
    const size_t count = ligandMode == 2 ? 5 : 4;
    for (size_t k = 1; k <= count; ++k) {
      std::string name(words[(centre + k) % words.size()]);
      if (ligandMode == 3 && (data[3] >> (2 + k % 6)) & 1) {
        name += '#';
        name += kSiteCodes[(data[3] >> 4) % 4];
      }
      args.push_back(std::move(name));
    }
  }
  for (int half : {data[1] & 15, data[1] >> 4})
    for (const std::string& option : kOptionVariants[static_cast<size_t>(half)])
      args.push_back(option);
  std::ostringstream console;
  (void)RunVexorin(args, console, files);
  RequireOwnErrorPath(InputText(data, size), console.str());
  return 0;
}
