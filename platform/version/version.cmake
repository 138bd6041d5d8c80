# The version block of our executables, generated from the version strings of the top
# CMakeLists.txt (the one place they are set). Included by platform/CMakeLists.txt.
foreach(var ORVALIS_FILE_DESCRIPTION ORVALIS_FILE_VERSION ORVALIS_LEGAL_COPYRIGHT ORVALIS_VERSION_TRANSLATION)
  set(value "${${var}}")
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  set(ORVALIS_ESCAPED_${var} "${value}")
endforeach()
set(ORVALIS_VERSION_GENERATED ${CMAKE_CURRENT_BINARY_DIR}/generated)
block(SCOPE_FOR VARIABLES)
  set(ORVALIS_FILE_DESCRIPTION "${ORVALIS_ESCAPED_ORVALIS_FILE_DESCRIPTION}")
  set(ORVALIS_FILE_VERSION "${ORVALIS_ESCAPED_ORVALIS_FILE_VERSION}")
  set(ORVALIS_LEGAL_COPYRIGHT "${ORVALIS_ESCAPED_ORVALIS_LEGAL_COPYRIGHT}")
  set(ORVALIS_VERSION_TRANSLATION "${ORVALIS_ESCAPED_ORVALIS_VERSION_TRANSLATION}")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/VersionBlock.cpp.in
    ${ORVALIS_VERSION_GENERATED}/platform/version/VersionBlock.cpp @ONLY)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/VersionConfig.h.in
    ${ORVALIS_VERSION_GENERATED}/platform/version/VersionConfig.h @ONLY)
endblock()
target_sources(platform PRIVATE ${ORVALIS_VERSION_GENERATED}/platform/version/VersionBlock.cpp)
target_include_directories(platform PUBLIC ${ORVALIS_VERSION_GENERATED})
