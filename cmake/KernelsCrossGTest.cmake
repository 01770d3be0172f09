# GoogleTest for a cross build: the sources Debian's libgtest-dev ships in /usr/src/googletest,
# compiled with the target's compiler. Defines GTest::gtest, GTest::gtest_main and GTest::gmock
# as find_package(GTest) does on the host. KERNELS_GTEST_SOURCE points elsewhere.
set(KERNELS_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
if(NOT EXISTS ${KERNELS_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "no GoogleTest sources in ${KERNELS_GTEST_SOURCE} (install libgtest-dev)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${KERNELS_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
