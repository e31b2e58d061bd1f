# How Quarvel.exe ships: the release build's compile and link options, and the exe's own
# Windows resources (icon, version, application manifest).
#
# Included before the targets are defined (the options apply to targets made after it);
# quarvel_program_resources(target) is called on the exe once it exists.

# CMake's Release default is -O3. Its extra inlining, unrolling and vectorising made the exe
# about an eighth larger, for a program that spends its time waiting on the network and the
# user; -O2 is the release level.
foreach(lang C CXX)
  string(REPLACE "-O3" "-O2" CMAKE_${lang}_FLAGS_RELEASE "${CMAKE_${lang}_FLAGS_RELEASE}")
endforeach()
# One section per function, and the linker drops the sections nothing reaches: ours and those of
# the static runtime and system libraries (the GUID tables of libuuid, for one). Not one per datum (-fdata-sections): for Windows targets GCC then puts
# zero-filled data in sections of initialised data, stored in the file byte for byte (the page
# reader's tables, built in memory at start-up, would weigh 52 KB of zeros). Unused functions
# of our own mostly stay, since the linker keeps every unwind table entry and those name them.
add_compile_options("$<$<CONFIG:Release>:-ffunction-sections>")
add_link_options("$<$<CONFIG:Release>:LINKER:--gc-sections>")
# Sections start on page boundaries in the file too, so the loader can map them from it. Wine
# reads an exe whose sections are packed at 512-byte steps into private memory, debug sections
# and all: the development exe cost 19 MB of private bytes and 40 ms before its first frame.
add_link_options(LINKER:--file-alignment=0x1000)
# No link time in the PE header: two builds of the same commit give the same bytes.
add_link_options(LINKER:--no-insert-timestamp)

# The window code ships small rather than fast: it spends its time in GDI+ and waiting for the
# user, and at -O2 it made up most of the exe. The page reader (search, web) and the pixel loops
# (ui/gfx) keep -O2.
function(quarvel_ship_small)
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-Os>)
  endforeach()
endfunction()

# Adds the icon, version and manifest resources to the exe. The version comes from the
# project's VERSION; the window caption keeps its own text.
function(quarvel_program_resources target)
  set(generated ${CMAKE_BINARY_DIR}/generated)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/ProgramVersion.h.in ${generated}/ProgramVersion.h @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/src/Quarvel.exe.manifest.in ${generated}/Quarvel.exe.manifest @ONLY)
  set(rc ${CMAKE_SOURCE_DIR}/src/Quarvel.rc)
  target_sources(${target} PRIVATE ${rc})
  # windres finds the icon under src/ and the manifest and version header under generated/;
  # it reads the icon and the manifest itself, so the build is told they are inputs.
  set_source_files_properties(${rc} PROPERTIES
    INCLUDE_DIRECTORIES "${CMAKE_SOURCE_DIR}/src;${generated}"
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/src/resources/window_icon.ico;${generated}/Quarvel.exe.manifest;${generated}/ProgramVersion.h")
endfunction()
