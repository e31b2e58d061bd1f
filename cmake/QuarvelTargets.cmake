# quarvel_library(name folder [DEPENDS libs...] [SYSTEM libs...]): a static library of every
# .cpp in the folder (an interface library while the folder has none yet), linked with the
# libraries of ours it builds on and the system libraries it calls.
#
# Each library exports an include root of its own that holds its folder alone under its path
# in src/ ("ui/gfx/..."), so a library sees the headers of the libraries it depends on and no
# others: an include that reaches up a layer does not compile.
function(quarvel_library name folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "DEPENDS;SYSTEM")
  string(REGEX REPLACE "^src/" "" path ${folder})
  set(root ${CMAKE_BINARY_DIR}/include/${name})
  get_filename_component(parent ${root}/${path} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT IS_SYMLINK ${root}/${path})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${path} SYMBOLIC)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${root})
    target_link_libraries(${name} PUBLIC ${arg_DEPENDS} ${arg_SYSTEM})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${root})
    target_link_libraries(${name} INTERFACE ${arg_DEPENDS} ${arg_SYSTEM})
  endif()
endfunction()

# quarvel_test(name folder [ALSO_CP1252] libs...): one GoogleTest executable of every .cpp in
# tests/<folder>, run under Wine as one ctest test in a sandbox of its own
# (tests/support/sandbox.py), so that ctest can run it beside the others. With ALSO_CP1252 it
# runs once more as name_cp1252 under the system code page 1252 of a Western Windows, where
# every text of the program must still read as GBK.
function(quarvel_test name folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "ALSO_CP1252" "" "")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${arg_UNPARSED_ARGUMENTS} quarvel_test_support GTest::gtest)
  set(codepages 936)
  if(arg_ALSO_CP1252)
    list(APPEND codepages 1252)
  endif()
  foreach(codepage ${codepages})
    set(entry ${name})
    if(NOT codepage STREQUAL "936")
      set(entry ${name}_cp${codepage})
    endif()
    add_test(NAME ${entry} COMMAND ${QUARVEL_SANDBOX} --codepage ${codepage} --name ${entry}
                                   -- ${QUARVEL_WINE} $<TARGET_FILE:${name}> --gtest_brief=1)
    set_tests_properties(${entry} PROPERTIES TIMEOUT 600 ENVIRONMENT "QUARVEL_BUILD_DIR=${CMAKE_BINARY_DIR}")
  endforeach()
endfunction()
