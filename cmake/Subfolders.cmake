# grovewright_add_subfolders(): adds every subfolder of the current folder that has a CMakeLists.txt,
# so that a new tool, test group or benchmark group joins the build by its folder alone.
function(grovewright_add_subfolders)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
