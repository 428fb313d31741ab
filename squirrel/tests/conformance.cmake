# Runs `sq` on every NAME.cnut of the conformance suite (compiled by the reference) and compares
# its standard output with NAME.out byte for byte.
# The suite is reference material beside the repository (../shared); a clone alone skips this
# test (the SKIP_REGULAR_EXPRESSION of squirrel/CMakeLists.txt matches the line below).
if(NOT IS_DIRECTORY "${CASES}")
  message("SKIPPED: the shared conformance suite ${CASES} is missing")
  message(FATAL_ERROR "skipped")
endif()
file(GLOB cases "${CASES}/*.cnut")
list(SORT cases)
if(NOT cases)
  message(FATAL_ERROR "no conformance cases in ${CASES}")
endif()
file(MAKE_DIRECTORY "${WORK}")
set(passed 0)
set(failed "")
foreach(cnut ${cases})
  get_filename_component(name "${cnut}" NAME_WE)
  execute_process(COMMAND "${SQ}" "${cnut}" WORKING_DIRECTORY "${CASES}"
                  OUTPUT_FILE "${WORK}/${name}.txt" ERROR_FILE "${WORK}/${name}.err"
                  RESULT_VARIABLE rc TIMEOUT 60)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/${name}.txt" "${CASES}/${name}.out"
                  RESULT_VARIABLE different)
  if(NOT different AND (rc EQUAL 0 OR rc EQUAL 1))
    math(EXPR passed "${passed} + 1")
  else()
    list(APPEND failed ${name})
    message("FAIL ${name} (exit ${rc}); output in ${WORK}/${name}.txt")
  endif()
endforeach()
list(LENGTH cases total)
message("conformance: ${passed} of ${total} cases print their expected output")
if(failed)
  message(FATAL_ERROR "conformance failures: ${failed}")
endif()
