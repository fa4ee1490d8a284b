// The vexorin program: hands the arguments to one run and returns its status.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "base/windows_api.h"

#include "app/command_line.h"
#include "app/run.h"
#include "base/text.h"

namespace {

std::vector<std::string> ProgramArguments([[maybe_unused]] int argc,
                                          [[maybe_unused]] char* argv[]) {
#ifdef _WIN32
  // The runtime's argv would strip the double quote of SHELX labels such as
  // Mg"; the raw command line is split by the program's own rules.
  return SplitCommandLine(GetCommandLineA());
#else
  // The shell has split the arguments already.
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
  std::ios::sync_with_stdio(false);
#ifdef _WIN32
  // Lines end in "\r\n" already; text mode would make that "\r\r\n".
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  int status = 2;
  try {
    status = RunVexorin(ProgramArguments(argc, argv), std::cout);
  } catch (...) {
    std::cout << "Error: unexpected internal failure." << kLineEnd;
  }
  std::cout.flush();
  return status;
}
