# quarvel_library(name folder [deps...]): a static library of every .cpp in the folder
# (an interface library while the folder has none yet).
set(QUARVEL_SYSTEM_LIBS user32 gdi32 gdiplus wininet imm32 comctl32 shell32 ole32 oleaut32 oleacc uuid msimg32 winmm)

function(quarvel_library name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${name} PUBLIC ${ARGN} ${QUARVEL_SYSTEM_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${name} INTERFACE ${ARGN} ${QUARVEL_SYSTEM_LIBS})
  endif()
endfunction()

# quarvel_test(name folder libs...): one GoogleTest executable of every .cpp in tests/<folder>,
# run under Wine as one ctest test in a sandbox of its own (tests/support/sandbox.py), so that
# ctest can run it beside the others.
function(quarvel_test name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} quarvel_test_support GTest::gtest)
  add_test(NAME ${name} COMMAND ${QUARVEL_SANDBOX} --name ${name} -- ${QUARVEL_WINE} $<TARGET_FILE:${name}> --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 ENVIRONMENT "QUARVEL_BUILD_DIR=${CMAKE_BINARY_DIR}")
endfunction()
