# What a fixture game needs beside its scripts for the host to come up with a renderer and the
# sprite layers: the shader archive "sys/renderer.csa" and the font "sys/font.ttf".
include(${PROJECT_ROOT}/tools/vsasm/VsAsm.cmake)
set(FIXTURE_SHADER_DIR ${PROJECT_ROOT}/host/tests/games/shaders)
set(FIXTURE_FONT /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf)

# fixture_shader_entries(<var>): the renderer's shaders for every kind with 0 to 4 bones; one
# small shader serves for all of them but "nolight_b0", the textured shader that sprite layer 1
# draws with.
function(fixture_shader_entries var)
  set(entries map3_psh=${FIXTURE_SHADER_DIR}/map3.psh nolight_b0=${FIXTURE_SHADER_DIR}/nolight_b0.vsh)
  foreach(kind normal highlight furlight texlight texhighlight texfurlight edge line linecolor
               nolight map3)
    foreach(bones 0 1 2 3 4)
      if(NOT kind STREQUAL "nolight" OR NOT bones EQUAL 0)
        list(APPEND entries ${kind}_b${bones}=${FIXTURE_SHADER_DIR}/normal_b0.vsh)
      endif()
    endforeach()
  endforeach()
  set(${var} ${entries} PARENT_SCOPE)
endfunction()

# fixture_host_files(TARGET <name> DIR <folder>): <folder>/sys/renderer.csa and
# <folder>/sys/font.ttf, made by the target.
function(fixture_host_files)
  cmake_parse_arguments(ARG "" "TARGET;DIR" "" ${ARGN})
  fixture_shader_entries(entries)
  vsasm_archive(OUTPUT ${ARG_DIR}/sys/renderer.csa ENTRIES ${entries})
  add_custom_command(OUTPUT ${ARG_DIR}/sys/font.ttf
                     COMMAND ${CMAKE_COMMAND} -E copy ${FIXTURE_FONT} ${ARG_DIR}/sys/font.ttf
                     DEPENDS ${FIXTURE_FONT} VERBATIM)
  add_custom_target(${ARG_TARGET} DEPENDS ${ARG_DIR}/sys/renderer.csa ${ARG_DIR}/sys/font.ttf)
endfunction()
