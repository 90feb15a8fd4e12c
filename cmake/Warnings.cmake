# Compiler settings shared by every target of the project.
#
# The editor's float and double arithmetic must round exactly as written, so contraction into
# fused multiply-adds is switched off and no fast-math or host-specific code generation is used.
add_compile_options(
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
  -Wold-style-cast -Woverloaded-virtual -Wimplicit-fallthrough
  -ffp-contract=off)

# Our scripts and CI build with warnings as errors; a distribution's package build, with a
# compiler we have not met, should not fail on a new warning, so the default is off.
option(BRELVO_WERROR "Treat compiler warnings as errors" OFF)
if(BRELVO_WERROR)
  add_compile_options(-Werror)
endif()

if(BRELVO_SANITIZE)
  add_compile_options(-fsanitize=${BRELVO_SANITIZE} -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${BRELVO_SANITIZE})
endif()

if(BRELVO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "The fuzz targets need clang: -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all
                      -fsanitize-coverage-ignorelist=${PROJECT_SOURCE_DIR}/fuzz/coverage-ignore.txt)
  add_link_options(-fsanitize=address,undefined)
endif()
