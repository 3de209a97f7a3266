# The restorer stub of another architecture, built from this tree in a build
# folder of its own.
#
#   pelorin_external_stub(<target> <x86|x64> <out-var>)
#
# adds the target <target>, which builds that architecture's pelorin_stub.exe,
# and sets <out-var> to the stub's path, or to "" when no compiler for it is at
# hand. A mingw-w64 build (or a Linux host) uses the cross toolchain of that
# architecture, an MSVC build the same generator with the other platform (-A).
# The stub links reproducibly, so it is the same bytes as the other
# architecture's own build makes.
include(ExternalProject)

function(pelorin_external_stub target arch out_var)
  set(_dir ${CMAKE_BINARY_DIR}/${target})
  set(_args -DPELORIN_BUILD_TESTS=OFF -DPELORIN_BUILD_BENCH=OFF)
  set(_platform)
  if(MSVC)
    if(arch STREQUAL "x86")
      set(_platform CMAKE_GENERATOR_PLATFORM Win32)
    else()
      set(_platform CMAKE_GENERATOR_PLATFORM x64)
    endif()
    set(_build ${CMAKE_COMMAND} --build ${_dir} --target pelorin_stub --config Release)
  else()
    if(arch STREQUAL "x86")
      set(_prefix i686-w64-mingw32)
    else()
      set(_prefix x86_64-w64-mingw32)
    endif()
    find_program(PELORIN_${arch}_MINGW_CXX ${_prefix}-g++-posix)
    if(NOT PELORIN_${arch}_MINGW_CXX)
      set(${out_var} "" PARENT_SCOPE)
      return()
    endif()
    if(arch STREQUAL "x86")
      list(APPEND _args -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-i686.cmake)
    else()
      list(APPEND _args -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake)
    endif()
    list(APPEND _args -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE})
    set(_build ${CMAKE_COMMAND} --build ${_dir} --target pelorin_stub)
  endif()
  set(_stub ${_dir}/stub/pelorin_stub.exe)
  ExternalProject_Add(${target}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${_dir}
    ${_platform}
    CMAKE_ARGS ${_args}
    BUILD_COMMAND ${_build}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${_stub})
  set(${out_var} ${_stub} PARENT_SCOPE)
endfunction()
