# Windows programs of this tree run under Wine: the loader of the build's
# bitness, a wrapper that sets up the environment, and the fixture that makes
# a fresh prefix on a display of its own once per test run.
set(NORVA_WINE_HELPER ${CMAKE_CURRENT_LIST_DIR}/wine/wine.sh)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_bits 64)
else()
  set(_bits 32)
endif()
if(NOT NORVA_WINE_LOADER)
  execute_process(COMMAND sh -c ". '${NORVA_WINE_HELPER}' && norva_wine_loader ${_bits}"
                  OUTPUT_VARIABLE _loader OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _rc)
  if(_rc EQUAL 0 AND _loader)
    set(NORVA_WINE_LOADER ${_loader} CACHE FILEPATH "The Wine loader of this build's bitness")
  else()
    message(STATUS "No ${_bits}-bit Wine runs on this machine; the Windows tests cannot run here")
    set(NORVA_WINE_LOADER wine)
  endif()
endif()

set(NORVA_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
set(NORVA_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine/run.in ${NORVA_WINE_RUN}
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE
               @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NORVA_WINE_RUN})

# Registers a Windows test program: run under Wine in the shared prefix,
# one program at a time (they share the prefix's registry).
function(norva_wine_test name target)
  add_test(NAME ${name} COMMAND ${target} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine
    RESOURCE_LOCK wineprefix
    TIMEOUT 300)
endfunction()
