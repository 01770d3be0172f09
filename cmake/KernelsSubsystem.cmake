# kernels_subsystem(NAME SOURCES a.cpp b.cpp [HEADERS a.h ...] TESTS a_test.cpp [TEST_LIBS ...])
# Builds the static library kernels_<NAME> (alias kernels::<NAME>), installs its public header
# kernels/<NAME>/<NAME>.h and the HEADERS it includes, and builds its tests as one executable
# registered with ctest.
function(kernels_subsystem name)
  cmake_parse_arguments(ARG "" "" "SOURCES;HEADERS;TESTS;TEST_LIBS" ${ARGN})
  set(lib kernels_${name})
  add_library(${lib} STATIC ${ARG_SOURCES})
  add_library(kernels::${name} ALIAS ${lib})
  set_target_properties(${lib} PROPERTIES EXPORT_NAME ${name})
  target_include_directories(${lib} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_link_libraries(${lib} PUBLIC $<BUILD_INTERFACE:kernels_flags>)
  target_compile_options(${lib} PUBLIC -ffp-contract=off)
  target_link_libraries(${lib} PRIVATE $<BUILD_INTERFACE:kernels_kernel_flags>)
  if(NOT name STREQUAL "shell")
    target_link_libraries(${lib} PUBLIC kernels_shell)
  endif()
  install(TARGETS ${lib} EXPORT kernelsTargets)
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/${name}.h ${ARG_HEADERS}
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kernels/${name})
  if(KERNELS_TESTS AND ARG_TESTS)
    add_executable(${lib}_tests ${ARG_TESTS})
    target_link_libraries(${lib}_tests PRIVATE ${lib} kernels_flags ${ARG_TEST_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    gtest_discover_tests(${lib}_tests DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
