// XYZ text -> reader, under each of the three namings.
#include <string>

#include "fuzz_support.h"
#include "io/xyz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (TXyzNaming naming : {TXyzNaming::Olex, TXyzNaming::Position, TXyzNaming::Element}) {
    TXyzData xyz;
    std::string error;
    (void)ReadXyzText(InputText(data, size), "fuzz.xyz", naming, xyz, error);
  }
  return 0;
}
