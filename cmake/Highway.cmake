# The portable SIMD library behind the vector row kernels (Debian: libhwy-dev).
# Each instruction set is compiled through the library's per-target attributes,
# so no file needs -m flags and the baseline stays plain x86-64.
find_package(hwy 1.0 CONFIG REQUIRED)
