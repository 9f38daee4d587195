# Build step that packs the show: copies the hand-written data files into the staged data
# folder beside the generated assets, removes staged files no longer listed, and runs
# velmora-pack on the folder.
#   cmake -DSOURCE=<data dir> -DSTAGE=<stage>/data -DMANIFEST=<list file> -DPACKER=<exe>
#         -DOUTPUT=<archive> -P pack_show.cmake
# The manifest holds one line per file: "copy <relative path>" or "asset <relative path>".
cmake_minimum_required(VERSION 3.25)
file(STRINGS ${MANIFEST} lines)
set(expected)
foreach(line ${lines})
  string(REGEX REPLACE "^(copy|asset) " "" path "${line}")
  list(APPEND expected ${path})
  if(line MATCHES "^copy ")
    file(COPY_FILE ${SOURCE}/${path} ${STAGE}/${path} ONLY_IF_DIFFERENT)
  elseif(NOT EXISTS ${STAGE}/${path})
    message(FATAL_ERROR "generated asset missing: ${STAGE}/${path}")
  endif()
endforeach()

file(GLOB_RECURSE staged RELATIVE ${STAGE} ${STAGE}/*)
foreach(path ${staged})
  if(NOT path IN_LIST expected)
    message(STATUS "Removing stale staged file ${path}")
    file(REMOVE ${STAGE}/${path})
  endif()
endforeach()

get_filename_component(stage_parent ${STAGE} DIRECTORY)
get_filename_component(stage_name ${STAGE} NAME)
execute_process(COMMAND ${PACKER} create ${OUTPUT}.tmp ${stage_name}
  WORKING_DIRECTORY ${stage_parent} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "velmora-pack failed (${result})")
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
