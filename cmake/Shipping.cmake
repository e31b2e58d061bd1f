# How Quarvel.exe ships: the exe's own Windows resources (icon, version, application
# manifest). quarvel_program_resources(target) is called on the exe once it exists.

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
