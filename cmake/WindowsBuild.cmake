# The Windows build (MinGW-w64 cross compile): the core, its unit tests, the Windows stand-in
# simulator and the relay, all linked statically so that they run under Wine or on a Windows PC
# without any DLL of the compiler's. The tests run under Wine through the emulator script, which
# keeps the Wine prefix inside this build folder.
add_link_options(-static -static-libgcc -static-libstdc++)

set(GROVEWRIGHT_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tests/wine/wine-run.sh ${GROVEWRIGHT_WINE_PREFIX})

# GoogleTest built from Debian's sources with the cross compiler.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
  add_library(GTest::gmock ALIAS gmock)
endif()
grovewright_test_header()

enable_testing()
add_subdirectory(tools/simulator/win32)
add_subdirectory(tools/relay)
add_subdirectory(tests/wine)
