# A Qt test executable of one layer folder: every *.cpp of the folder, the shared Qt main, run
# on the offscreen platform.
find_package(Qt6 REQUIRED COMPONENTS Test Widgets)

# Under ThreadSanitizer, reports about Qt's own threads are left out (see tsan-qt.supp).
set(ORVALIS_QT_SANITIZER_ENVIRONMENT "")
if(ORVALIS_SANITIZE STREQUAL "thread")
  set(ORVALIS_QT_SANITIZER_ENVIRONMENT
    "TSAN_OPTIONS=halt_on_error=1 second_deadlock_stack=1 suppressions=${PROJECT_SOURCE_DIR}/tests/support/tsan-qt.supp")
endif()

function(orvalis_qt_tests name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources} ${PROJECT_SOURCE_DIR}/tests/support/QtTestMain.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${ARGN} Qt6::Test Qt6::Widgets GTest::gtest GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE ORVALIS_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    ORVALIS_BINARY_DIR="${CMAKE_BINARY_DIR}")
  # One variable only (a list would not survive the discovery script): the test main chooses
  # the offscreen platform itself when none is set.
  set(environment "QT_QPA_PLATFORM=offscreen")
  if(ORVALIS_QT_SANITIZER_ENVIRONMENT)
    set(environment "${ORVALIS_QT_SANITIZER_ENVIRONMENT}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES LABELS "${name}" ENVIRONMENT "${environment}")
endfunction()
