# quarvel_delay_load(target library): the target binds a system DLL on its first call instead of
# when the process starts, through a delay-load import library made at configure time from
# MinGW's own import library (every function of it) and found before it at the target's link.
#
# A DLL imported at load is looked for beside the exe first on systems where it is not a known
# DLL (gdiplus.dll on Windows 7 and 8.1), so one saved beside a downloaded Quarvel.exe would run
# inside it. Bound later, the program loads it from the system directory before its first call
# and the loader hands that module to the delay-load helper.
find_program(QUARVEL_NM NAMES i686-w64-mingw32-nm REQUIRED)
find_program(QUARVEL_DLLTOOL NAMES i686-w64-mingw32-dlltool REQUIRED)

function(quarvel_delay_load target library)
  find_library(QUARVEL_IMPORT_${library} NAMES lib${library}.a REQUIRED)
  set(import ${QUARVEL_IMPORT_${library}})
  set(folder ${CMAKE_BINARY_DIR}/delay-load)
  set(def ${folder}/${library}.def)
  set(out ${folder}/lib${library}.a)
  file(MAKE_DIRECTORY ${folder})
  if(NOT EXISTS ${out} OR ${import} IS_NEWER_THAN ${out})
    execute_process(COMMAND ${QUARVEL_NM} ${import} OUTPUT_VARIABLE symbols ERROR_QUIET
                    COMMAND_ERROR_IS_FATAL ANY)
    # The import slots name the functions with their stdcall sizes: "__imp__GdipFlush@8".
    string(REGEX MATCHALL " I __imp__[A-Za-z0-9_]+@[0-9]+" slots "${symbols}")
    list(TRANSFORM slots REPLACE " I __imp__" "")
    list(REMOVE_DUPLICATES slots)
    list(SORT slots)
    list(LENGTH slots count)
    if(count EQUAL 0)
      message(FATAL_ERROR "no functions found in ${import}")
    endif()
    list(JOIN slots "\n" exports)
    file(WRITE ${def} "LIBRARY ${library}.dll\nEXPORTS\n${exports}\n")
    # --kill-at: the DLL exports the names without their sizes.
    execute_process(COMMAND ${QUARVEL_DLLTOOL} --kill-at --input-def ${def} --output-delaylib ${out}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  target_link_directories(${target} BEFORE PRIVATE ${folder})
endfunction()
