# Flags shared by every target of the project.
add_library(kernels_flags INTERFACE)
target_compile_options(kernels_flags INTERFACE
  -Wall -Wextra -Wpedantic
  # Exact IEEE semantics: a fused multiply-add would round once where the kernels round twice.
  -ffp-contract=off
  $<$<BOOL:${KERNELS_WERROR}>:-Werror>)
target_compile_options(kernels_flags INTERFACE $<$<CONFIG:RelWithDebInfo,Release>:-O2>)
if(KERNELS_SANITIZE)
  target_compile_options(kernels_flags INTERFACE
    -fsanitize=${KERNELS_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(kernels_flags INTERFACE -fsanitize=${KERNELS_SANITIZE})
endif()
if(KERNELS_FUZZ)
  # Coverage feedback from the libraries too, not only from the fuzz targets' own files.
  target_compile_options(kernels_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()
