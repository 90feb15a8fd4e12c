# Everything the build takes from the system: libraries, fonts and the programs the tests run.
# Each is looked for here, once, and a missing one stops the configure step with one line that
# names the Debian package providing it; scripts/debian-packages lists the same packages, and
# scripts/lint checks that every package named here is on that list.

# Stops with the one-line message. The leading space keeps CMake from wrapping the line.
function(brelvo_missing what package)
  message(FATAL_ERROR " ${what} is missing: install the Debian package ${package}"
                      " (scripts/setup installs all that Brelvo needs)")
endfunction()

macro(brelvo_find_package name package)
  find_package(${name} QUIET)
  if(NOT ${name}_FOUND)
    brelvo_missing("The ${name} library" ${package})
  endif()
endmacro()

# Makes the imported target PkgConfig::<prefix> for a pkg-config module.
macro(brelvo_find_module prefix module package)
  pkg_check_modules(${prefix} QUIET IMPORTED_TARGET ${module})
  if(NOT ${prefix}_FOUND)
    brelvo_missing("The ${module} library" ${package})
  endif()
endmacro()

function(brelvo_require_file path package)
  if(NOT EXISTS "${path}")
    brelvo_missing("${path}" ${package})
  endif()
endfunction()

function(brelvo_require_program name package)
  find_program(BRELVO_PROGRAM_${name} ${name})
  if(NOT BRELVO_PROGRAM_${name})
    brelvo_missing("The program ${name}" ${package})
  endif()
endfunction()

find_package(Threads REQUIRED)
find_package(PkgConfig QUIET)
if(NOT PKG_CONFIG_FOUND)
  brelvo_missing("pkg-config" pkg-config)
endif()
brelvo_find_package(ZLIB zlib1g-dev)
brelvo_find_package(PNG libpng-dev)
brelvo_find_package(GIF libgif-dev)
brelvo_find_module(TURBOJPEG libturbojpeg libturbojpeg0-dev)
brelvo_find_module(SDL2 sdl2 libsdl2-dev)
# FreeType renders the fonts at build time; no library of the program links it.
brelvo_find_package(Freetype libfreetype-dev)

# The built-in font and the artwork's lettering are rendered from the DejaVu family.
set(BRELVO_FONT_DIR "/usr/share/fonts/truetype/dejavu"
    CACHE PATH "Folder of the DejaVu fonts the built-in font and the artwork are rendered from")
brelvo_require_file(${BRELVO_FONT_DIR}/DejaVuSans.ttf fonts-dejavu-core)
brelvo_require_file(${BRELVO_FONT_DIR}/DejaVuSans-Bold.ttf fonts-dejavu-core)
brelvo_require_file(${BRELVO_FONT_DIR}/DejaVuSansCondensed.ttf fonts-dejavu-extra)

if(BRELVO_TESTS)
  brelvo_find_package(GTest libgtest-dev)
  brelvo_find_package(X11 libx11-dev)
  # The real-window tests start an X server of their own, then find, dump and drive the window.
  brelvo_require_program(Xvfb xvfb)
  brelvo_require_program(xwd x11-apps)
  brelvo_require_program(xdotool xdotool)
endif()

if(BRELVO_BENCH)
  brelvo_find_package(benchmark libbenchmark-dev)
endif()

if(BRELVO_FUZZ)
  # clang's driver finds the libFuzzer runtime only when its runtime package is installed.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-runtime-dir
                  OUTPUT_VARIABLE clang_runtime_dir OUTPUT_STRIP_TRAILING_WHITESPACE)
  brelvo_require_file(
    "${clang_runtime_dir}/libclang_rt.fuzzer-${CMAKE_SYSTEM_PROCESSOR}.a" libclang-rt-14-dev)
endif()
