// The one error exit of the program: Fatal throws TFatalError, which the run
// (or a survey's centre, or a record) catches and turns into its "Error: "
// line. Depends on the standard library only, so that any layer can fail.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

// The message is the text after "Error: ". Messages that span lines use
// kLineEnd between their lines, continuation lines starting with 7 blanks.
struct TFatalError : std::runtime_error {
  explicit TFatalError(const std::string& message)
      : std::runtime_error(message), Message(message) {}
  std::string Message;
};

// Ends the run with "Error: " + message.
[[noreturn]] inline void Fatal(const std::string& message) { throw TFatalError(message); }

// The message of a failure that ended a run or a centre: the Fatal message,
// or "unexpected failure: " and what else was thrown.
std::string FailureMessage(const std::exception_ptr& failure);
