# The portable SIMD library behind the vector row kernels (Debian: libhwy-dev).
# Each instruction set is compiled through the library's per-target attributes
# and picked at run time by its dispatch, so no file needs -m flags and the
# baseline stays the architecture's plain one (x86-64, arm64, ...).
find_package(hwy 1.0 CONFIG REQUIRED)
