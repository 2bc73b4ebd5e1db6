# CLI11, the header-only parser of the tools' command lines, as the target grovewright_cli11, which
# also gives the tools the version they print. The cross build takes the same headers, copied apart
# so that no other header of the build machine comes with them.
include_guard(GLOBAL)
add_library(grovewright_cli11 INTERFACE)
if(CMAKE_CROSSCOMPILING)
  find_path(CLI11_HEADERS CLI/CLI.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  file(COPY ${CLI11_HEADERS}/CLI DESTINATION ${CMAKE_BINARY_DIR}/cli11)
  target_include_directories(grovewright_cli11 SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/cli11)
else()
  find_package(CLI11 CONFIG REQUIRED)
  target_link_libraries(grovewright_cli11 INTERFACE CLI11::CLI11)
endif()
target_compile_definitions(grovewright_cli11 INTERFACE GROVEWRIGHT_VERSION="${PROJECT_VERSION}")
