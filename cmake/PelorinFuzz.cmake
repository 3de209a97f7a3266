# libFuzzer targets, built with clang beside the g++ build of the native preset.
#
#   pelorin_add_fuzz_target(name source... [LIBS lib...])
#
# builds fuzz/<name> from the sources (a file defining LLVMFuzzerTestOneInput
# plus the project sources it needs, paths relative to the calling folder) with
# -fsanitize=fuzzer,address,undefined (linked with -l<lib> for each of LIBS),
# and adds the ctest test fuzz.<name>: a bounded run (PELORIN_FUZZ_SECONDS,
# fixed seed) over the seed corpus in tests/fuzz/corpus/<name>/, starting from a fresh working corpus each time.
# Without a clang that can link libFuzzer the test reports itself skipped.
# Sources are compiled without -fexec-charset=GBK (clang has no such option),
# so fuzzed code must not depend on the encoding of its narrow literals.

set(PELORIN_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz test runs")

if(NOT DEFINED PELORIN_FUZZ_CLANGXX_OK)
  find_program(PELORIN_FUZZ_CLANGXX NAMES clang++ clang++-16 clang++-15 clang++-14)
  set(_ok FALSE)
  if(PELORIN_FUZZ_CLANGXX)
    set(_probe_dir ${CMAKE_BINARY_DIR}/fuzz/probe)
    file(MAKE_DIRECTORY ${_probe_dir})
    file(WRITE ${_probe_dir}/probe.cpp
      "#include <cstddef>\n#include <cstdint>\n"
      "extern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n")
    execute_process(
      COMMAND ${PELORIN_FUZZ_CLANGXX} -fsanitize=fuzzer,address ${_probe_dir}/probe.cpp -o ${_probe_dir}/probe
      RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_QUIET)
    if(_rc EQUAL 0)
      set(_ok TRUE)
    endif()
  endif()
  set(PELORIN_FUZZ_CLANGXX_OK ${_ok} CACHE INTERNAL "clang++ links libFuzzer")
  if(_ok)
    message(STATUS "Fuzz targets: ${PELORIN_FUZZ_CLANGXX}")
  else()
    message(STATUS "Fuzz targets: skipped (no clang++ that links -fsanitize=fuzzer; "
                   "Debian packages clang and libclang-rt-14-dev)")
  endif()
endif()

function(pelorin_add_fuzz_target name)
  set(_seeds ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
  if(NOT PELORIN_FUZZ_CLANGXX_OK)
    add_test(NAME fuzz.${name}
             COMMAND sh -c "echo 'fuzz.${name}: skipped, no clang++ with libFuzzer'; exit 77")
    set_tests_properties(fuzz.${name} PROPERTIES SKIP_RETURN_CODE 77 LABELS "native;fuzz")
    return()
  endif()

  cmake_parse_arguments(PARSE_ARGV 1 _fuzz "" "" "LIBS")
  set(_libs)
  foreach(_lib IN LISTS _fuzz_LIBS)
    list(APPEND _libs -l${_lib})
  endforeach()
  set(_sources)
  foreach(_src IN LISTS _fuzz_UNPARSED_ARGUMENTS)
    get_filename_component(_abs ${_src} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND _sources ${_abs})
  endforeach()
  set(_out ${CMAKE_BINARY_DIR}/fuzz/${name})
  add_custom_command(
    OUTPUT ${_out}
    COMMAND ${PELORIN_FUZZ_CLANGXX} -std=c++17 -g -O1 -Wall -Wextra
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
            -I${PROJECT_SOURCE_DIR}/src ${_sources} ${_libs} -o ${_out}
    DEPENDS ${_sources}
    IMPLICIT_DEPENDS CXX ${_sources}
    COMMENT "Building fuzz target ${name} (clang, libFuzzer)"
    VERBATIM)
  add_custom_target(fuzz_${name} ALL DEPENDS ${_out})

  set(_work ${CMAKE_BINARY_DIR}/fuzz/${name}.run)
  add_test(NAME fuzz.${name}
           COMMAND sh ${PROJECT_SOURCE_DIR}/tests/fuzz/run-fuzz.sh ${_out} ${_work} ${_seeds}
                   ${PELORIN_FUZZ_SECONDS})
  set_tests_properties(fuzz.${name} PROPERTIES LABELS "native;fuzz" TIMEOUT 180)
endfunction()
