// The command-line parse of a test: its outcome, the parsed command and what
// it printed, or the message of the error that ends it.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "base/fail.h"
#include "app/command_line.h"

using TArgs = std::vector<std::string>;

struct TParsed {
  TCommandOutcome Outcome = TCommandOutcome::Run;
  TCommandLine Command;
  std::string Console;
};

inline TParsed Parse(const TArgs& args) {
  TParsed parsed;
  std::ostringstream console;
  parsed.Outcome = ParseCommandLine(args, console, parsed.Command);
  parsed.Console = console.str();
  return parsed;
}

// The message of the Fatal that ends the parse, or "<no error>".
inline std::string ParseError(const TArgs& args) {
  try {
    Parse(args);
  } catch (const TFatalError& error) {
    return error.Message;
  }
  return "<no error>";
}
