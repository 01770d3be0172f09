# This machine's own architecture, built with Clang: a row of `make cross` beside the emulated ones.
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
