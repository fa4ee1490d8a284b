#include "support/test_support.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {
struct TScratch {
  std::string Path;
  TScratch() {
    std::random_device rd;
    const fs::path base = fs::temp_directory_path() /
                          ("vexorin_test_" + std::to_string(rd()) + "_" + std::to_string(rd()));
    fs::create_directories(base);
    Path = base.string();
  }
  ~TScratch() {
    std::error_code ec;
    fs::remove_all(Path, ec);
  }
};
}  // namespace

const std::string& ScratchDir() {
  static TScratch scratch;
  return scratch.Path;
}

std::string WriteScratchFile(const std::string& name, std::string_view content) {
  const fs::path path = fs::path(ScratchDir()) / name;
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return path.string();
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string TestDataFile(const std::string& relative) {
  return (fs::path(VEXORIN_SOURCE_DIR) / "tests" / "data" / relative).lexically_normal().string();
}

std::string RealDataFile(const std::string& relative) {
  // The shared folder holds every real file; tests/data/real the few whose
  // licence lets them travel with the project, byte for byte the same.
  for (const fs::path& root : {fs::path(VEXORIN_SOURCE_DIR) / ".." / "shared" / "realdata",
                               fs::path(VEXORIN_SOURCE_DIR) / "tests" / "data" / "real"}) {
    const fs::path path = root / relative;
    std::error_code ec;
    if (fs::exists(path, ec)) return path.lexically_normal().string();
    // A folder is the whole collection or nothing.
    if (relative.empty() || relative.find('.') == std::string::npos) break;
  }
  return "";
}

std::string RealShelxWithMatrix(const std::string& folder) {
  const std::string res = RealDataFile("shelx/dom1_mC.res"), mat = RealDataFile("mat/dom1_mC.mat");
  if (res.empty() || mat.empty()) return "";
  WriteScratchFile(folder + "/dom1_mC.mat", ReadWholeFile(mat));
  return WriteScratchFile(folder + "/dom1_mC.res", ReadWholeFile(res));
}
