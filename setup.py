"""Builds the Python module "torva" with the project's own CMake, so that pip
gets the same module `cmake --build` makes (see pyproject.toml)."""
import os
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = Path(__file__).resolve().parent


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        configure = ["cmake", "-S", str(SOURCE), "-B", str(build),
                     "-DCMAKE_BUILD_TYPE=Release", "-DTORVA_BUILD_TESTS=OFF",
                     "-DTORVA_BUILD_PYTHON=ON", f"-DPython_EXECUTABLE={sys.executable}"]
        if shutil.which("ninja") and not (build / "CMakeCache.txt").exists():
            configure += ["-G", "Ninja"]
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "torva_python",
                        "--parallel", str(os.cpu_count() or 2)], check=True)
        built = next((build / "python").glob("torva*.so"))
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)
        # The type stub goes beside the module.
        shutil.copyfile(SOURCE / "python" / "torva.pyi", target.parent / "torva.pyi")


setup(
    ext_modules=[Extension("torva", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    # Out of the way of the CMake build directories (build, build-asan).
    options={"build": {"build_base": "build-python"}, "egg_info": {"egg_base": "build-python"}},
)
