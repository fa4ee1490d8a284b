"""Builds the Python module: the extension vexorin._vexorin is the CMake
target _vexorin (-DVEXORIN_PYTHON=ON), built from the program's sources; the
package itself is python/vexorin. The version is the program's
(src/base/version.h)."""

import re
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def program_version():
    text = (ROOT / "src" / "base" / "version.h").read_text(encoding="utf-8")
    return re.search(r'#define VEXORIN_VERSION "([^"]+)"', text).group(1)


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build_dir = Path(self.build_temp).resolve() / "cmake"
        build_dir.mkdir(parents=True, exist_ok=True)
        target_dir = Path(self.get_ext_fullpath(ext.name)).resolve().parent
        subprocess.check_call([
            "cmake", "-S", str(ROOT), "-B", str(build_dir), "-DCMAKE_BUILD_TYPE=Release",
            "-DVEXORIN_PYTHON=ON", "-DVEXORIN_TESTS=OFF", f"-DPython3_EXECUTABLE={sys.executable}",
            f"-DCMAKE_LIBRARY_OUTPUT_DIRECTORY={target_dir}"])
        subprocess.check_call(["cmake", "--build", str(build_dir), "--target", "_vexorin", "-j2"])


setup(
    version=program_version(),
    packages=["vexorin"],
    package_dir={"": "python"},
    ext_modules=[CMakeExtension("vexorin._vexorin")],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
)
