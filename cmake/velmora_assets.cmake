# Generated show assets. A generator is a tool of ours that writes data files into the staged
# data folder, which the build then packs into the embedded archive together with the
# hand-written files of data/.
#
#   velmora_generate_assets(<name> TOOL <executable target> [ARGS <args>...]
#                           OUTPUTS <paths relative to the staged data folder>...)
#
# runs `<tool> <staged data folder> <args>...` whenever the tool changes and records the
# outputs (for example textures/STARS.BMP) for the packing step.
set(VELMORA_STAGE_DIR ${CMAKE_BINARY_DIR}/stage/data)

function(velmora_generate_assets name)
  cmake_parse_arguments(GEN "" "TOOL" "ARGS;OUTPUTS" ${ARGN})
  set(outputs)
  foreach(output ${GEN_OUTPUTS})
    list(APPEND outputs ${VELMORA_STAGE_DIR}/${output})
  endforeach()
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMORA_STAGE_DIR}
    COMMAND $<TARGET_FILE:${GEN_TOOL}> ${VELMORA_STAGE_DIR} ${GEN_ARGS}
    DEPENDS ${GEN_TOOL}
    COMMENT "Generating ${name} assets"
    VERBATIM)
  velmora_record_assets(${name} ${outputs})
endfunction()

# Files copied unchanged from an installed Debian package into the staged data folder (a font
# and its licence, say), recorded for the packing step like generated assets:
#
#   velmora_copy_assets(<name> PACKAGE <Debian package> FILES <source> <path in the staged folder>...)
function(velmora_copy_assets name)
  cmake_parse_arguments(COPY "" "PACKAGE" "FILES" ${ARGN})
  set(outputs)
  set(commands)
  set(sources)
  while(COPY_FILES)
    list(POP_FRONT COPY_FILES source output)
    if(NOT EXISTS ${source})
      message(FATAL_ERROR "${source} is missing: install ${COPY_PACKAGE} (scripts/install-deps does)")
    endif()
    list(APPEND sources ${source})
    list(APPEND outputs ${VELMORA_STAGE_DIR}/${output})
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} ${VELMORA_STAGE_DIR}/${output})
  endwhile()
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMORA_STAGE_DIR}
    ${commands}
    DEPENDS ${sources}
    COMMENT "Copying ${name} from ${COPY_PACKAGE}"
    VERBATIM)
  velmora_record_assets(${name} ${outputs})
endfunction()

# A target assets_<name> that makes the staged files given after the name, recorded for packing.
function(velmora_record_assets name)
  add_custom_target(assets_${name} DEPENDS ${ARGN})
  set_property(GLOBAL APPEND PROPERTY VELMORA_ASSET_OUTPUTS ${ARGN})
  set_property(GLOBAL APPEND PROPERTY VELMORA_ASSET_TARGETS assets_${name})
endfunction()
