# Script mode: install BUILD_DIR into WORK_DIR/prefix, then configure, build and run the consumer;
# then configure the consumer once more with SOURCE_DIR added as a subdirectory. Neither way may
# need the packages of the runner, the tests or the benchmarks: the consumer is configured with
# those packages made unfindable, so that a find_package of any of them fails the test.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
set(no_dev_packages
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
  -DCMAKE_DISABLE_FIND_PACKAGE_CLI11=ON -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON)

function(step)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGV}\n${out}\n${err}")
  endif()
endfunction()

step(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
# A sanitized build installs sanitized libraries: the consumer must link the runtime too.
set(link_flags "")
if(SANITIZE)
  set(link_flags "-fsanitize=${SANITIZE}")
endif()
set(toolchain "")
if(TOOLCHAIN)
  set(toolchain "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}")
endif()
step(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
     -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix} ${no_dev_packages}
     "-DCMAKE_EXE_LINKER_FLAGS=${link_flags}" ${toolchain})
step(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
# EMULATOR is empty on the host, and the target's emulator command (a list) in a cross build.
step(${EMULATOR} ${WORK_DIR}/build/consumer)

step(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/subdirectory -G ${GENERATOR}
     -DCMAKE_CXX_COMPILER=${CXX} -DKERNELS_SOURCE_DIR=${SOURCE_DIR} ${no_dev_packages} ${toolchain})
