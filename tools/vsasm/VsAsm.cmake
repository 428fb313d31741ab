# Build-time shader assembly with tools/vsasm. Include this file by path (it does not need the
# tools/ folder to have been added yet):
#
#   include(${PROJECT_ROOT}/tools/vsasm/VsAsm.cmake)
#   vsasm_shaders(OUTPUTS <var> DESTINATION <dir> SOURCES <file.vsh|.psh>...)
#       assembles each source into <dir>/<source name without extension>.bin and sets <var> to
#       the list of outputs.
#   vsasm_archive(OUTPUT <file> ENTRIES <name>=<source>...)
#       builds a "DMF " shader archive (such as a fixture "sys/renderer.csa") whose entries are
#       the position-scrambled shaders.
#
# Make a target depend on the outputs (add_custom_target(... DEPENDS ${var}) and
# add_dependencies) so that they are built before it runs.

function(vsasm_shaders)
  cmake_parse_arguments(ARG "" "OUTPUTS;DESTINATION" "SOURCES" ${ARGN})
  file(MAKE_DIRECTORY ${ARG_DESTINATION})
  set(outputs)
  foreach(source ${ARG_SOURCES})
    get_filename_component(path ${source} ABSOLUTE)
    get_filename_component(name ${source} NAME_WE)
    set(output ${ARG_DESTINATION}/${name}.bin)
    add_custom_command(OUTPUT ${output}
                       COMMAND vsasm ${path} ${output}
                       DEPENDS vsasm ${path}
                       COMMENT "Assembling ${name}" VERBATIM)
    list(APPEND outputs ${output})
  endforeach()
  set(${ARG_OUTPUTS} ${outputs} PARENT_SCOPE)
endfunction()

function(vsasm_archive)
  cmake_parse_arguments(ARG "" "OUTPUT" "ENTRIES" ${ARGN})
  get_filename_component(folder ${ARG_OUTPUT} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  set(arguments)
  set(depends)
  foreach(entry ${ARG_ENTRIES})
    string(FIND ${entry} "=" eq)
    string(SUBSTRING ${entry} 0 ${eq} name)
    math(EXPR from "${eq} + 1")
    string(SUBSTRING ${entry} ${from} -1 source)
    get_filename_component(path ${source} ABSOLUTE)
    list(APPEND arguments ${name}=${path})
    list(APPEND depends ${path})
  endforeach()
  add_custom_command(OUTPUT ${ARG_OUTPUT}
                     COMMAND vsasm --archive ${ARG_OUTPUT} ${arguments}
                     DEPENDS vsasm ${depends}
                     COMMENT "Building the shader archive ${ARG_OUTPUT}" VERBATIM)
endfunction()
