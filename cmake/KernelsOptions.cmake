# The flags of every target of the project, computed once: kernels_flags carries them to the
# targets and KERNELS_BUILD_FLAGS spells out the whole compile line they make, for the runner's
# `--version` and report context. The optimisation level is the build type's own (Release -O3,
# RelWithDebInfo -O2); nothing here overrides it.
set(KERNELS_COMPILE_OPTIONS
  -Wall -Wextra -Wpedantic
  # Exact IEEE semantics: a fused multiply-add would round once where the kernels round twice.
  -ffp-contract=off)
if(KERNELS_WERROR)
  list(APPEND KERNELS_COMPILE_OPTIONS -Werror)
endif()
set(KERNELS_LINK_OPTIONS)
if(KERNELS_SANITIZE)
  list(APPEND KERNELS_COMPILE_OPTIONS
    -fsanitize=${KERNELS_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  list(APPEND KERNELS_LINK_OPTIONS -fsanitize=${KERNELS_SANITIZE})
endif()
if(KERNELS_FUZZ)
  # Coverage feedback from the libraries too, not only from the fuzz targets' own files.
  list(APPEND KERNELS_COMPILE_OPTIONS -fsanitize=fuzzer-no-link)
endif()

# Flags for the kernels alone (the subsystems' libraries, kernel-image and the size programs),
# after every other flag, so that their -O level wins: tools/compilers builds each row's kernels
# with its own flags while the rest of the runner keeps the build type's, and is then the same
# compilation in every row of one compiler (shared through ccache). Empty by default.
set(KERNELS_KERNEL_FLAGS "" CACHE STRING "Extra flags for the kernel libraries, e.g. -O3 -march=native")
separate_arguments(KERNELS_KERNEL_OPTIONS UNIX_COMMAND "${KERNELS_KERNEL_FLAGS}")
add_library(kernels_kernel_flags INTERFACE)
target_compile_options(kernels_kernel_flags INTERFACE ${KERNELS_KERNEL_OPTIONS})

add_library(kernels_flags INTERFACE)
target_compile_options(kernels_flags INTERFACE ${KERNELS_COMPILE_OPTIONS})
target_link_options(kernels_flags INTERFACE ${KERNELS_LINK_OPTIONS})

string(TOUPPER "${CMAKE_BUILD_TYPE}" kernels_build_type_upper)
list(JOIN KERNELS_COMPILE_OPTIONS " " kernels_options_text)
set(KERNELS_BUILD_FLAGS "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${kernels_build_type_upper}} \
${kernels_options_text} ${CMAKE_CXX${CMAKE_CXX_STANDARD}_STANDARD_COMPILE_OPTION} \
${KERNELS_KERNEL_FLAGS}")
string(REGEX REPLACE " +" " " KERNELS_BUILD_FLAGS "${KERNELS_BUILD_FLAGS}")
string(STRIP "${KERNELS_BUILD_FLAGS}" KERNELS_BUILD_FLAGS)
