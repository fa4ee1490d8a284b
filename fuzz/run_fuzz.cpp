// A whole run on an input file held in memory; run_input.h says how the
// input's bytes become the file and the arguments.
#include <sstream>

#include "fuzz_support.h"
#include "app/run.h"
#include "run_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzzrun::TFuzzRun run = fuzzrun::MakeFuzzRun(data, size);
  if (!run.Usable) return 0;
  std::ostringstream console;
  (void)RunVexorin(run.Args, console, run.Files);
  RequireOwnErrorPath(InputText(data, size), console.str());
  return 0;
}
