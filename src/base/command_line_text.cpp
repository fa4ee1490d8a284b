#include "base/command_line_text.h"

#include "base/windows_api.h"

#ifdef _WIN32
#include <climits>
#include <vector>

std::string CommandLineTextAsUtf8(std::string_view text) {
  if (text.empty() || GetACP() == CP_UTF8 || text.size() > static_cast<size_t>(INT_MAX))
    return std::string(text);
  const int length = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (wide <= 0) return std::string(text);
  std::vector<wchar_t> utf16(static_cast<size_t>(wide));
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, utf16.data(), wide);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string(text);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}
#else
std::string CommandLineTextAsUtf8(std::string_view text) { return std::string(text); }
#endif
