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
  add_custom_target(assets_${name} DEPENDS ${outputs})
  set_property(GLOBAL APPEND PROPERTY VELMORA_ASSET_OUTPUTS ${outputs})
  set_property(GLOBAL APPEND PROPERTY VELMORA_ASSET_TARGETS assets_${name})
endfunction()
