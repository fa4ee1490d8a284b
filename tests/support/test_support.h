// Helpers shared by the test programs: scratch files and the optional folder
// of real structure files beside the project.
#pragma once

#include <charconv>
#include <string>
#include <string_view>

// A fresh directory for this test program, removed when the program ends.
const std::string& ScratchDir();
// Writes the bytes to ScratchDir()/name and returns the full path.
std::string WriteScratchFile(const std::string& name, std::string_view content);
std::string ReadWholeFile(const std::string& path);
// Path of a file below tests/data.
std::string TestDataFile(const std::string& relative);
// Path of a file below ../shared/realdata, else below tests/data/real (the
// files whose licence allows a copy), or "" when neither has it.
std::string RealDataFile(const std::string& relative);
// The real SHELX file dom1_mC.res with its SHELXL matrix dom1_mC.mat beside
// it, copied into ScratchDir()/folder; "" when the real data are absent.
std::string RealShelxWithMatrix(const std::string& folder);

// The shortest text that reads back as the same number, as the dumps of the
// reader tests write it ("0.0003", not "3e-04"; a float as a float).
template <typename TNumber>
std::string ShortestText(TNumber value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value, std::chars_format::general).ptr);
}
