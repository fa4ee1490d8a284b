// The program's version, written here only: CMake reads VEXORIN_VERSION for
// the project and its packages, and every text that names the version is
// built from it.
#pragma once

#include <string_view>

#define VEXORIN_VERSION "1.0"
#define VEXORIN_RELEASE_MONTH "2026-12"

// As --version prints it ("vexorin 1.0").
inline constexpr std::string_view kProgramVersion = VEXORIN_VERSION;
// The first two lines of the help text and of the report.
inline constexpr std::string_view kTitleLine =
    "Vexorin " VEXORIN_VERSION " - geometry index tau4 / tau4' / tau5";
inline constexpr std::string_view kVersionLine =
    "Version " VEXORIN_VERSION " (" VEXORIN_RELEASE_MONTH "), a command-line tool for crystallographers";
