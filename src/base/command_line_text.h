// Text from the command line as UTF-8. Windows hands a program its command
// line in the ANSI code page (Windows-1252 on a western system), while the
// records are UTF-8; elsewhere the command line is taken as it is (UTF-8 on
// any current system).
#pragma once

#include <string>
#include <string_view>

std::string CommandLineTextAsUtf8(std::string_view text);
