# Debian i386: 32-bit x86, little-endian.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
# ctest, test discovery and custom commands run the target's programs through qemu, which finds
# the target's shared libraries under the cross compiler's library root.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -L /usr/i686-linux-gnu)
# x87 registers keep 80-bit intermediates and would round some doubles differently from every
# other target; SSE2 arithmetic rounds each operation to 64 bits, as the others do.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
