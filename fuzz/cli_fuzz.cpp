// A raw command line -> its arguments -> the option pass, printing nothing.
#include <string>
#include <vector>

#include "base/fail.h"
#include "app/command_line.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> pieces = SplitCommandLine(InputText(data, size));
  if (pieces.empty()) return 0;
  // The first piece is the program's name.
  const std::vector<std::string> args(pieces.begin() + 1, pieces.end());
  TNullStream console;
  TCommandLine command;
  try {
    (void)ParseCommandLine(args, console, command);
  } catch (const TFatalError&) {
  }
  return 0;
}
