#include "base/fail.h"

#include <new>

std::string FailureMessage(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const TFatalError& error) {
    return error.Message;
  } catch (const std::bad_alloc&) {
    return "unexpected failure: out of memory";
  } catch (const std::exception& other) {
    return std::string("unexpected failure: ") + other.what();
  } catch (...) {
    // Anything else thrown still ends in a message.
    return "unexpected failure: internal error";
  }
}
