#include "child_process.h"

#include "base/windows_api.h"

#include <vector>

namespace {

struct THandle {
  HANDLE Value = nullptr;
  ~THandle() { Close(); }
  void Close() {
    if (Value) CloseHandle(Value);
    Value = nullptr;
  }
};

std::string ReadUntilClosed(HANDLE pipe) {
  std::string bytes;
  char buffer[4096];
  DWORD count = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &count, nullptr) && count > 0) bytes.append(buffer, count);
  return bytes;
}

}  // namespace

std::string ProgramPath() {
  // The build passes the path as CMake knows it; under Wine that is a Unix
  // path, which GetFullPathNameA turns into one on the drive that maps it.
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(VEXORIN_PROGRAM, MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::string(full, length) : std::string(VEXORIN_PROGRAM);
}

TChildRun RunWithCommandLine(const std::string& arguments) {
  TChildRun result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  THandle readEnd, writeEnd;
  if (!CreatePipe(&readEnd.Value, &writeEnd.Value, &inherit, 0)) return result;
  SetHandleInformation(readEnd.Value, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd.Value;
  startup.hStdError = writeEnd.Value;

  const std::string program = ProgramPath();
  std::string line = "\"" + program + "\" " + arguments;
  std::vector<char> mutableLine(line.begin(), line.end());
  mutableLine.push_back('\0');
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(program.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process))
    return result;
  THandle processHandle{process.hProcess}, threadHandle{process.hThread};
  // Only the child may hold the write end now, so that the read ends with it.
  writeEnd.Close();
  result.Console = ReadUntilClosed(readEnd.Value);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  if (GetExitCodeProcess(process.hProcess, &status)) result.Status = static_cast<int>(status);
  return result;
}
