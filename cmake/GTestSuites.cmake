# SPDX-License-Identifier: MIT
# Run after a test program is built: writes CTEST_FILE with one ctest test per GoogleTest
# suite of TEST_EXECUTABLE, named "<Suite>.*" and running that suite's cases in one process.
# cmake -D TEST_EXECUTABLE=... -D CTEST_FILE=... -D WORKING_DIRECTORY=... -P GTestSuites.cmake
execute_process(
    COMMAND "${TEST_EXECUTABLE}" --gtest_list_tests
    WORKING_DIRECTORY "${WORKING_DIRECTORY}"
    OUTPUT_VARIABLE listing
    ERROR_VARIABLE listing_errors
    RESULT_VARIABLE listed
    TIMEOUT 60)
if(NOT listed EQUAL 0)
    message(FATAL_ERROR "${TEST_EXECUTABLE} --gtest_list_tests failed (${listed}):\n"
                        "${listing}${listing_errors}")
endif()

set(content "")
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
    # A suite's line is flush left and ends its name with a dot ("Table/WindowKeyTest.");
    # typed suites add a comment after it.
    if(line MATCHES "^([^ #]+)\\.( .*)?$")
        set(suite "${CMAKE_MATCH_1}")
        string(APPEND content
               "add_test([==[${suite}.*]==] [==[${TEST_EXECUTABLE}]==] "
               "[==[--gtest_filter=${suite}.*]==])\n"
               "set_tests_properties([==[${suite}.*]==] PROPERTIES WORKING_DIRECTORY "
               "[==[${WORKING_DIRECTORY}]==])\n")
    endif()
endforeach()
file(WRITE "${CTEST_FILE}" "${content}")
