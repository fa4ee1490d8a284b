// SHELX res/ins text -> reader -> structure model.
#include <string>

#include "fuzz_support.h"
#include "model/from_shelx.h"
#include "model/structure.h"
#include "io/shelx.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TShelxData shelx;
  std::string error;
  if (!ReadShelxText(InputText(data, size), "fuzz.res", shelx, error)) return 0;
  TStructure model;
  FillShelxModel(shelx, model);
  return 0;
}
