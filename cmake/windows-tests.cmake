# The unit tests of the Windows cross-build: GoogleTest built with the same
# compiler from the sources of Debian's googletest package, and every test
# program (and the program itself) run under Wine by CTest.

set(VEXORIN_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows tests")
if(NOT EXISTS "${VEXORIN_GTEST_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "The Windows tests build GoogleTest from its sources, which are not in "
                      "${VEXORIN_GTEST_SOURCE_DIR} (Debian: apt-get install googletest), "
                      "or configure with -DVEXORIN_TESTS=OFF.")
endif()

# Test programs carry their runtime as the program does: Wine then needs no
# MinGW DLLs on its path.
add_link_options(-static)

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory("${VEXORIN_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
# GoogleTest's own build names its targets GTest::gtest and GTest::gtest_main
# as find_package(GTest) does; older sources did not.
if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(VEXORIN_WINE NAMES wine wine64 REQUIRED)
  find_program(VEXORIN_WINESERVER NAMES wineserver REQUIRED)
  set(VEXORIN_WINEPREFIX "${CMAKE_BINARY_DIR}/wine-prefix" CACHE PATH "Wine prefix of the Windows tests")
  configure_file(cmake/wine-run.sh.in "${CMAKE_BINARY_DIR}/wine-run.sh" @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run.sh")
endif()
# The program target exists already; the test programs pick the emulator up
# from the variable.
set_target_properties(vexorin PROPERTIES CROSSCOMPILING_EMULATOR "${CMAKE_CROSSCOMPILING_EMULATOR}")
