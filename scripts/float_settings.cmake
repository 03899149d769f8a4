# The compiler options that keep the game's floats the same on every machine, checked at
# configure time: qf_float_settings(VAR) sets VAR to them, or stops the configure with the
# reason. Used by the desktop build (CMakeLists.txt) and the browser build (web/).
include(CheckCXXCompilerFlag)

function(qf_float_settings out)
  # No fused multiply-add: GCC and Clang both take -ffp-contract=off (Clang fuses within an
  # expression by default, and with -march=native the processor has FMA).
  check_cxx_compiler_flag(-ffp-contract=off QF_ACCEPTS_FP_CONTRACT_OFF)
  if(NOT QF_ACCEPTS_FP_CONTRACT_OFF)
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not accept -ffp-contract=off: the game's "
                        "floats would depend on fused multiply-adds")
  endif()
  set(flags -ffp-contract=off)
  # No x87 on 32-bit x86: its extended precision rounds differently. (Emscripten's
  # toolchain names its processor x86 too, but wasm's floats are plain IEEE ones.)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT EMSCRIPTEN
     AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86|X86|AMD64|x86_64)$")
    check_cxx_compiler_flag("-msse2 -mfpmath=sse" QF_ACCEPTS_SSE_MATH)
    if(NOT QF_ACCEPTS_SSE_MATH)
      message(FATAL_ERROR "32-bit x86 needs -msse2 -mfpmath=sse (no x87 arithmetic), which "
                          "${CMAKE_CXX_COMPILER} does not accept")
    endif()
    list(APPEND flags -msse2 -mfpmath=sse)
  endif()
  # Nothing in the flags may undo that.
  string(TOUPPER "${CMAKE_BUILD_TYPE}" config)
  get_directory_property(options COMPILE_OPTIONS)
  set(all "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${config}} ${options}")
  set(forbidden -ffast-math -Ofast -funsafe-math-optimizations -fassociative-math
      -freciprocal-math -ffp-contract=fast -ffp-contract=on -mfpmath=387 -ffp-model=fast)
  foreach(flag ${forbidden})
    string(FIND " ${all} " "${flag}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "${flag} in the compiler flags (${all}) would let the game's floats "
                          "differ between machines: take it out")
    endif()
  endforeach()
  set(${out} ${flags} PARENT_SCOPE)
endfunction()
