# This machine's own architecture, built with GCC: a row of `make cross` beside the emulated ones.
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
