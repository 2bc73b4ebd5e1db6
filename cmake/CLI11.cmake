# The tools' shared command line (tools/ToolCommandLine.cpp) as the library grovewright_tool_command_line,
# the one file that compiles the header-only CLI11, which also gives the tools the version they print.
# The cross build takes the same headers, copied apart so that no other header of the build machine
# comes with them.
include_guard(GLOBAL)
add_library(grovewright_tool_command_line STATIC ${PROJECT_SOURCE_DIR}/tools/ToolCommandLine.cpp)
target_include_directories(grovewright_tool_command_line PUBLIC ${PROJECT_SOURCE_DIR})
if(CMAKE_CROSSCOMPILING)
  find_path(CLI11_HEADERS CLI/CLI.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  file(COPY ${CLI11_HEADERS}/CLI DESTINATION ${CMAKE_BINARY_DIR}/cli11)
  target_include_directories(grovewright_tool_command_line SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/cli11)
else()
  find_package(CLI11 CONFIG REQUIRED)
  target_link_libraries(grovewright_tool_command_line PRIVATE CLI11::CLI11)
endif()
target_compile_definitions(grovewright_tool_command_line PRIVATE GROVEWRIGHT_VERSION="${PROJECT_VERSION}")
grovewright_warnings(grovewright_tool_command_line)
