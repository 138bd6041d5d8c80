# A Qt test executable of one layer folder: every *.cpp of the folder, the shared Qt main, run
# on the offscreen platform.
find_package(Qt6 REQUIRED COMPONENTS Test Widgets)

function(orvalis_qt_tests name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources} ${PROJECT_SOURCE_DIR}/tests/support/QtTestMain.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${ARGN} Qt6::Test Qt6::Widgets GTest::gtest GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE ORVALIS_FIXTURES="${PROJECT_SOURCE_DIR}/tests/fixtures"
    ORVALIS_SOURCE_DIR="${PROJECT_SOURCE_DIR}" ORVALIS_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS "${name}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
