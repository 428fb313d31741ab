# Shared build settings and the helpers every library folder uses.

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_C_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

# Replays and network play need bit-identical float results: no contraction, no fast math.
add_compile_options(-ffp-contract=off -fno-fast-math)
# The project's own targets build without warnings under both compilers; a new one fails the build.
set(PROJECT_WARNINGS -Wall -Wextra -Werror)

if(SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The fuzz targets exist only in clang builds with the sanitizers. There every project library is
# compiled with libFuzzer's coverage instrumentation (without its runtime, which only the targets
# link), so a target is steered by the code it tests and not by its own harness alone. Programs
# that link such a library without the fuzzer runtime get the sanitizer runtime's empty hooks.
if(SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(PROJECT_FUZZING ON)
else()
  set(PROJECT_FUZZING OFF)
endif()

set(PROJECT_ROOT ${CMAKE_SOURCE_DIR})

# Each library publishes only its own folder under a per-library include root, so a source can
# include "foundation/..." only when its library links foundation: a wrong include fails to build.
function(_project_include_root name folder)
  set(root ${CMAKE_BINARY_DIR}/include/${name})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${PROJECT_ROOT}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  set(_include_root ${root} PARENT_SCOPE)
endfunction()

# project_library(NAME <lib> [FOLDER <folder>] [EXCLUDE <subfolder>...] [DEPS <targets>...])
# Builds every .cpp/.c under the folder, except tests/ folders and excluded sub-folders.
function(project_library)
  cmake_parse_arguments(ARG "" "NAME;FOLDER" "EXCLUDE;DEPS" ${ARGN})
  if(NOT ARG_FOLDER)
    set(ARG_FOLDER ${ARG_NAME})
  endif()
  set(dir ${PROJECT_ROOT}/${ARG_FOLDER})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  list(FILTER sources EXCLUDE REGEX "/tests/")
  foreach(ex ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "^${dir}/${ex}/")
  endforeach()
  _project_include_root(${ARG_NAME} ${ARG_FOLDER})
  if(sources)
    add_library(${ARG_NAME} STATIC ${sources})
    target_include_directories(${ARG_NAME} PUBLIC ${_include_root})
    target_compile_options(${ARG_NAME} PRIVATE ${PROJECT_WARNINGS})
    target_link_libraries(${ARG_NAME} PUBLIC ${ARG_DEPS})
    if(PROJECT_FUZZING)
      target_compile_options(${ARG_NAME} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
  else()
    add_library(${ARG_NAME} INTERFACE)
    target_include_directories(${ARG_NAME} INTERFACE ${_include_root})
    target_link_libraries(${ARG_NAME} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# project_tests(NAME <lib> [FOLDER <folder>] [EXCLUDE <subfolder>...] [DEPS <targets>...])
# One GoogleTest program per library from every tests/*.cpp under the folder, linked with the
# shared helpers of testsupport/; its cases are registered with CTest as "<lib>.<Suite>.<Case>",
# so `ctest -R '^<lib>\.'` runs one library.
function(project_tests)
  cmake_parse_arguments(ARG "" "NAME;FOLDER;PREFIX" "EXCLUDE;DEPS" ${ARGN})
  if(NOT ARG_FOLDER)
    set(ARG_FOLDER ${ARG_NAME})
  endif()
  if(NOT ARG_PREFIX)
    set(ARG_PREFIX ${ARG_NAME})
  endif()
  set(dir ${PROJECT_ROOT}/${ARG_FOLDER})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  list(FILTER sources INCLUDE REGEX "/tests/")
  foreach(ex ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "^${dir}/${ex}/")
  endforeach()
  if(NOT sources)
    return()
  endif()
  set(exe ${ARG_NAME}_tests)
  add_executable(${exe} ${sources})
  target_compile_options(${exe} PRIVATE ${PROJECT_WARNINGS})
  target_compile_definitions(${exe} PRIVATE
    TEST_SOURCE_DIR="${dir}" TEST_BINARY_DIR="${CMAKE_CURRENT_BINARY_DIR}"
    TEST_BIN_DIR="${CMAKE_BINARY_DIR}/bin" SHARED_DIR="${SHARED_DIR}")
  target_link_libraries(${exe} PRIVATE ${ARG_NAME} testsupport ${ARG_DEPS} GTest::gtest GTest::gmock
                                       GTest::gtest_main)
  gtest_discover_tests(${exe} TEST_PREFIX "${ARG_PREFIX}." DISCOVERY_MODE PRE_TEST
                       DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
endfunction()

# project_tool(NAME <exe> SOURCES <files>... [DEPS <targets>...]): a command-line program in bin/.
function(project_tool)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_compile_options(${ARG_NAME} PRIVATE ${PROJECT_WARNINGS})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_DEPS})
endfunction()

# project_fuzz(NAME <name> PREFIX <lib> SOURCES <files>... [DEPS <targets>...]
#              [CORPUS <dir>...] [SEED_MAKER <files>... [SEED_DEPS <targets>...]] [SECONDS <n>])
# A libFuzzer target "fuzz_<name>"; it exists only where PROJECT_FUZZING is on. Its corpus is
# every CORPUS folder (seeds made at build time), the seeds written by the SEED_MAKER program
# (built from its files with DEPS and SEED_DEPS, run at build time with the folder to fill as its
# argument) plus, in the target's source folder, `seeds/` (committed samples) and `regressions/`
# (every input that once failed). CTest replays that corpus once as "<lib>.fuzz.<name>": a fast
# test, no mutation. Timed runs are tools/fuzz.sh's, which finds the program and its corpus
# folders in <build>/fuzz-targets/<name>.corpus; SECONDS is accepted for older calls and unused.
function(project_fuzz)
  cmake_parse_arguments(ARG "" "NAME;PREFIX;SECONDS"
                        "SOURCES;DEPS;CORPUS;SEED_MAKER;SEED_DEPS" ${ARGN})
  if(NOT PROJECT_FUZZING)
    return()
  endif()
  set(exe fuzz_${ARG_NAME})
  add_executable(${exe} ${ARG_SOURCES})
  target_compile_options(${exe} PRIVATE -fsanitize=fuzzer)
  target_link_options(${exe} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${exe} PRIVATE testsupport ${ARG_DEPS})
  if(ARG_SEED_MAKER)
    set(maker ${exe}_seeds)
    set(made ${CMAKE_CURRENT_BINARY_DIR}/made_seeds)
    add_executable(${maker} ${ARG_SEED_MAKER})
    target_compile_options(${maker} PRIVATE ${PROJECT_WARNINGS})
    target_link_libraries(${maker} PRIVATE testsupport ${ARG_DEPS} ${ARG_SEED_DEPS})
    # The folder is made anew, so that a seed the maker no longer writes does not linger.
    add_custom_command(OUTPUT ${made}.stamp
                       COMMAND ${CMAKE_COMMAND} -E rm -rf ${made}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${made}
                       COMMAND ${maker} ${made}
                       COMMAND ${CMAKE_COMMAND} -E touch ${made}.stamp
                       DEPENDS ${maker} COMMENT "Making the seeds of ${exe}" VERBATIM)
    add_custom_target(${maker}_run ALL DEPENDS ${made}.stamp)
    add_dependencies(${exe} ${maker}_run)
    list(APPEND ARG_CORPUS ${made})
  endif()
  set(corpus "")
  foreach(dir ${ARG_CORPUS} ${CMAKE_CURRENT_SOURCE_DIR}/seeds ${CMAKE_CURRENT_SOURCE_DIR}/regressions)
    if(dir)
      list(APPEND corpus ${dir})
    endif()
  endforeach()
  string(REPLACE ";" "\n" corpus_lines "${corpus}")
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzz-targets/${ARG_NAME}.corpus
       CONTENT "$<TARGET_FILE:${exe}>\n${corpus_lines}\n")
  add_test(NAME ${ARG_PREFIX}.fuzz.${ARG_NAME}
           COMMAND ${CMAKE_COMMAND} -DFUZZER=$<TARGET_FILE:${exe}> "-DCORPUS=${corpus}"
                   -P ${PROJECT_ROOT}/fuzz/Replay.cmake)
  set_tests_properties(${ARG_PREFIX}.fuzz.${ARG_NAME} PROPERTIES TIMEOUT 300)
endfunction()

# project_fuzz_seeds(NAME <name> SCRIPT <shell text> OUT <var>): a seed corpus made at configure
# time by a shell script run in an emptied folder (its working directory); <var> names the
# folder, or is empty with a warning when the script fails (a tool such as sox or lame is
# missing). PARSE_ARGV keeps the semicolons of the script.
function(project_fuzz_seeds)
  cmake_parse_arguments(PARSE_ARGV 0 ARG "" "NAME;SCRIPT;OUT" "")
  set(seeds ${CMAKE_CURRENT_BINARY_DIR}/seeds)
  file(REMOVE_RECURSE ${seeds})
  file(MAKE_DIRECTORY ${seeds})
  execute_process(COMMAND sh -c "set -e; cd \"$1\"; ${ARG_SCRIPT}" sh ${seeds}
                  RESULT_VARIABLE result)
  if(result EQUAL 0)
    set(${ARG_OUT} ${seeds} PARENT_SCOPE)
  else()
    message(WARNING "${ARG_NAME}: no seed corpus (a tool that makes it is missing)")
    set(${ARG_OUT} "" PARENT_SCOPE)
  endif()
endfunction()

# project_fuzz_road_seeds(NAME <name> OUT <var>): seeds for a target whose first input byte
# picks the road (which file it builds, which reader it calls): one seed for each value of that
# byte, followed by the same 48 varied bytes, so that the corpus replay walks every road.
function(project_fuzz_road_seeds)
  cmake_parse_arguments(ARG "" "NAME;OUT" "" ${ARGN})
  project_fuzz_seeds(NAME ${ARG_NAME} OUT seeds SCRIPT [=[
    rest='\001\002\003\004\005\006\007\010\020\040\100\200\377\000\011\022'
    rest="$rest\376\375\373\367\357\337\277\177\017\037\077\300\340\360\370\374"
    rest="$rest\000\000\000\000\377\377\377\377\200\000\000\000\000\000\200\077"
    i=0
    while [ $i -lt 256 ]; do
      { printf "\\$(printf %03o $i)"; printf "$rest"; } > road_$i
      i=$((i + 1))
    done
  ]=])
  set(${ARG_OUT} ${seeds} PARENT_SCOPE)
endfunction()

# project_benchmark(NAME <name> SOURCES <files>... [DEPS <targets>...]): built, never run by CTest.
function(project_benchmark)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPS" ${ARGN})
  if(NOT BUILD_BENCHMARKS OR SANITIZE)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(bench_${ARG_NAME} ${ARG_SOURCES})
  target_compile_options(bench_${ARG_NAME} PRIVATE ${PROJECT_WARNINGS})
  target_link_libraries(bench_${ARG_NAME} PRIVATE ${ARG_DEPS} benchmark::benchmark)
endfunction()

# Sub-folders of tools/, fuzz/ and bench/ each hold one program with its own CMakeLists.txt.
function(project_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# project_compile_scripts(TARGET <name> SOURCE_DIR <dir> OUTPUT_DIR <dir> [DEBUG])
# Compiles every .nut under SOURCE_DIR with `sq -c` at build time into a .cnut at the same
# relative path under OUTPUT_DIR, so tests and fixture games keep sources, not compiled files.
# <name> is a target of the default build that others can depend on (add_dependencies). DEBUG
# compiles with debug information (`sq -d`). The source name recorded in each compiled file is
# its file name without directories.
function(project_compile_scripts)
  cmake_parse_arguments(ARG "DEBUG" "TARGET;SOURCE_DIR;OUTPUT_DIR" "" ${ARGN})
  file(GLOB_RECURSE scripts CONFIGURE_DEPENDS ${ARG_SOURCE_DIR}/*.nut)
  set(flags "")
  if(ARG_DEBUG)
    set(flags -d)
  endif()
  set(outputs "")
  foreach(script ${scripts})
    file(RELATIVE_PATH rel ${ARG_SOURCE_DIR} ${script})
    string(REGEX REPLACE "\\.nut$" ".cnut" rel ${rel})
    set(out ${ARG_OUTPUT_DIR}/${rel})
    get_filename_component(out_dir ${out} DIRECTORY)
    add_custom_command(OUTPUT ${out}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
                       COMMAND sq -c ${flags} -o ${out} ${script}
                       DEPENDS ${script} sq
                       COMMENT "Compiling script ${rel}" VERBATIM)
    list(APPEND outputs ${out})
  endforeach()
  add_custom_target(${ARG_TARGET} ALL DEPENDS ${outputs})
endfunction()
