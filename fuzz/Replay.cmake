# Replays a fuzz target's corpus once: cmake -DFUZZER=<exe> -DCORPUS=<dir;dir...> -P Replay.cmake
# Every file of every folder runs through the target as a single input (libFuzzer's mode for
# file arguments), so a committed regression runs exactly as it was found and a failure names it.
# Folders that do not exist are skipped (a seed script that could not run); a corpus with no
# file at all is an error, since the test would then show nothing.
set(inputs "")
foreach(dir ${CORPUS})
  if(IS_DIRECTORY ${dir})
    file(GLOB_RECURSE found LIST_DIRECTORIES false ${dir}/*)
    list(SORT found)
    list(APPEND inputs ${found})
  endif()
endforeach()
list(LENGTH inputs count)
if(count EQUAL 0)
  message(FATAL_ERROR "no input in the corpus folders: ${CORPUS}")
endif()
message(STATUS "replaying ${count} inputs")

# In batches, so that a large corpus stays within the command-line limit.
set(batch "")
set(index 0)
foreach(input ${inputs})
  list(APPEND batch ${input})
  math(EXPR index "${index} + 1")
  list(LENGTH batch size)
  if(size EQUAL 200 OR index EQUAL count)
    execute_process(COMMAND ${FUZZER} -rss_limit_mb=2048 -timeout=10 ${batch}
                    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "${out}\n${FUZZER} failed (${result})")
    endif()
    set(batch "")
  endif()
endforeach()
