# TinyXML 2.6.2 (the TiXml API) as the target `tinyxml`.
# Natively: Debian's libtinyxml-dev. For Windows: compiled from Debian's
# source package, which scripts/bootstrap unpacks into the dependency cache.
# Fuzzing builds it from those sources as well, to instrument the parser.
if(WIN32 OR NORVA_FUZZ)
  if(DEFINED ENV{NORVA_DEPS_DIR})
    set(_deps_default "$ENV{NORVA_DEPS_DIR}")
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(_deps_default "$ENV{XDG_CACHE_HOME}/norva-deps")
  else()
    set(_deps_default "$ENV{HOME}/.cache/norva-deps")
  endif()
  set(NORVA_DEPS_DIR "${_deps_default}" CACHE PATH "Where scripts/bootstrap keeps third-party sources")
  set(_src "${NORVA_DEPS_DIR}/tinyxml")
  if(NOT EXISTS "${_src}/tinyxml.h")
    message(FATAL_ERROR "TinyXML sources not found in ${_src}; run scripts/bootstrap first")
  endif()
  add_library(tinyxml STATIC
    ${_src}/tinyxml.cpp ${_src}/tinyxmlparser.cpp ${_src}/tinyxmlerror.cpp ${_src}/tinystr.cpp)
  target_compile_definitions(tinyxml PUBLIC TIXML_USE_STL)
  target_compile_options(tinyxml PRIVATE -w)
  target_include_directories(tinyxml SYSTEM PUBLIC ${_src})
else()
  find_path(TINYXML_INCLUDE_DIR tinyxml.h REQUIRED)
  find_library(TINYXML_LIBRARY tinyxml REQUIRED)
  add_library(tinyxml UNKNOWN IMPORTED)
  set_target_properties(tinyxml PROPERTIES
    IMPORTED_LOCATION ${TINYXML_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${TINYXML_INCLUDE_DIR}
    INTERFACE_COMPILE_DEFINITIONS TIXML_USE_STL)
endif()
