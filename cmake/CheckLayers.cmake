# Run as a script (cmake -DSOURCE=<repository> -P CheckLayers.cmake): fails when a file of a layer
# includes a header of ours from a layer above it, which linking alone would miss for header-only
# pieces. The layers: base, then link, then document (the document and the tree catalogue).
set(base_headers
  document/AtomicFileWriter.h
  document/DecimalNumber.h
  document/RunProgram.h
  document/SystemCalls.h)
set(base_files
  document/AtomicFileWriter.cpp
  document/DecimalNumber.cpp
  document/posix/RunProgram.cpp
  document/posix/SystemCalls.cpp
  document/win32/RunProgram.cpp
  document/win32/SystemCalls.cpp
  ${base_headers})

set(failures "")
# check_includes(FILE ALLOWED_REGEX): every include of ours in FILE must match ALLOWED_REGEX.
function(check_includes file allowed)
  file(STRINGS ${SOURCE}/${file} lines REGEX "^#include \"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
    if(NOT header MATCHES "${allowed}")
      set(failures "${failures}\n  ${file} includes ${header}" PARENT_SCOPE)
    endif()
  endforeach()
endfunction()

list(JOIN base_headers "|" base_pattern)
string(REPLACE "." "\\." base_pattern "${base_pattern}")
foreach(file IN LISTS base_files)
  check_includes(${file} "^(${base_pattern})$")
endforeach()

file(GLOB_RECURSE link_files RELATIVE ${SOURCE} ${SOURCE}/simlink/*.h ${SOURCE}/simlink/*.cpp)
foreach(file IN LISTS link_files)
  check_includes(${file} "^simlink/")
endforeach()

file(GLOB_RECURSE document_files RELATIVE ${SOURCE} ${SOURCE}/document/*.h ${SOURCE}/document/*.cpp
  ${SOURCE}/trees/*.h ${SOURCE}/trees/*.cpp)
foreach(file IN LISTS document_files)
  check_includes(${file} "^(document|trees|simlink)/")
endforeach()

if(failures)
  message(FATAL_ERROR "A layer includes a header from a layer above it:${failures}")
endif()
