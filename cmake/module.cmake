# qch_module(NAME <target> DIR <folder> [DEPS <targets...>] [EXCLUDE <regex>])
# qch_module(... [EXTRA <more sources>])
# One static library per source folder: every *.cc in the folder except
# *_test.cc; the *_test.cc files beside it form the test program
# <target>_tests, registered with ctest.
function(qch_module)
  cmake_parse_arguments(M "" "NAME;DIR;EXCLUDE" "DEPS;TEST_DEPS;EXTRA" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${M_DIR}/*.cc)
  file(GLOB tests CONFIGURE_DEPENDS ${M_DIR}/*_test.cc)
  list(REMOVE_ITEM sources ${tests} "")
  list(APPEND sources ${M_EXTRA})
  if(M_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${M_EXCLUDE}")
  endif()
  if(sources)
    add_library(${M_NAME} STATIC ${sources})
    target_include_directories(${M_NAME} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${M_NAME} PUBLIC ${M_DEPS})
  else()
    # A module whose sources have not arrived yet: headers only.
    add_library(${M_NAME} INTERFACE)
    target_include_directories(${M_NAME} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${M_NAME} INTERFACE ${M_DEPS})
  endif()
  if(QCH_TESTS AND tests)
    add_executable(${M_NAME}_tests ${tests})
    target_link_libraries(${M_NAME}_tests PRIVATE ${M_NAME} ${M_TEST_DEPS}
                          qch_test_support GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${M_NAME}_tests DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 300)
  endif()
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/forbid_platform.cmake)
