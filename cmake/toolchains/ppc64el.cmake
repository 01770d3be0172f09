# Debian ppc64el: 64-bit PowerPC, little-endian.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(CMAKE_C_COMPILER powerpc64le-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER powerpc64le-linux-gnu-g++)
# ctest, test discovery and custom commands run the target's programs through qemu, which finds
# the target's shared libraries under the cross compiler's library root.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-ppc64le -L /usr/powerpc64le-linux-gnu)
