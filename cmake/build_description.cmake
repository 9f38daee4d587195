# Build step that writes the source tree's `git describe` into a source file, rewritten only when
# it changes, so that `velmora --version` names the build without rebuilding anything else.
#   cmake -DSOURCE_DIR=<tree> -DOUTPUT=<file.cpp> -P build_description.cmake
cmake_minimum_required(VERSION 3.25)
set(description "")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} describe --always --dirty --abbrev=10
    WORKING_DIRECTORY ${SOURCE_DIR} OUTPUT_VARIABLE description OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE result ERROR_QUIET)
  if(NOT result EQUAL 0)
    set(description "")
  endif()
endif()
file(CONFIGURE OUTPUT ${OUTPUT} CONTENT [[
// Written by the build (cmake/build_description.cmake).
#include "core/build_description.h"

const char* velmora::buildDescription() { return "@description@"; }
]] @ONLY)
