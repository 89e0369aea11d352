# The version label and file version made from git describe's answer.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/LumoVersion.cmake)

set(failures 0)
foreach(row
    "v1.2.3|1.2.3|1.2.3.0"
    "v10.0.7-12-g4fbba58|10.0.7-12-g4fbba58|10.0.7.12"
    "v1.2.3-70000-gabc1234|1.2.3-70000-gabc1234|1.2.3.65535"
    "4fbba58|0.0.0-4fbba58|0.0.0.0"
    "|0.0.0|0.0.0.0"
    "release-1|0.0.0|0.0.0.0"
    "v1.2|0.0.0|0.0.0.0")
  string(REPLACE "|" ";" parts "${row}")
  list(GET parts 0 describe)
  list(GET parts 1 want_label)
  list(GET parts 2 want_four)
  lumo_version_from_describe("${describe}" label four)
  if(NOT label STREQUAL want_label OR NOT four STREQUAL want_four)
    message(SEND_ERROR "'${describe}': got ${label} / ${four}, want ${want_label} / ${want_four}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures EQUAL 0)
  message(STATUS "version rules: all cases pass")
endif()
