# The window-free core that the fuzz build compiles natively: every source of the web, search and
# links libraries (the same folders those libraries are made of), less the ones that call the
# system (WinINet, threads, the toolkit). A source added to those folders is fuzzed unless it is
# named here.
set(QUARVEL_SYSTEM_BOUND_SOURCES web/WebAccess.cpp search/MagnetResolution.cpp search/ResultOrder.cpp
                                 links/UpdateCheck.cpp)

# Sets out to the core's sources under the source tree at root.
function(quarvel_window_free_sources out root)
  file(GLOB sources CONFIGURE_DEPENDS ${root}/src/web/*.cpp ${root}/src/search/*.cpp ${root}/src/links/*.cpp)
  foreach(bound ${QUARVEL_SYSTEM_BOUND_SOURCES})
    list(REMOVE_ITEM sources ${root}/src/${bound})
  endforeach()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()
