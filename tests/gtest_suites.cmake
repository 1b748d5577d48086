# Lists the suites of a GoogleTest program and writes one CTest test for each: a suite, or one
# instantiation of a parameterised suite, runs its rows in one process. A process per row would
# spend most of the quick loop starting Qt and the test program again, and rows that share a server
# or a window could not share them.
#
# Run after every build of the program (cmake -P) with:
#   EXECUTABLE  the test program
#   CTEST_FILE  the file of add_test() calls to write
#   PROPERTIES  set_tests_properties() arguments for every suite, as a list
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND "${EXECUTABLE}" --gtest_list_tests OUTPUT_VARIABLE listing
                RESULT_VARIABLE result TIMEOUT 60)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${EXECUTABLE} --gtest_list_tests failed (${result}):\n${listing}")
endif()

string(REPLACE "\n" ";" lines "${listing}")
set(script "")
foreach(line IN LISTS lines)
  # A suite's line starts at the first column and ends with a dot (and perhaps a comment on its
  # type parameter); its rows follow, indented.
  if(line MATCHES "^([A-Za-z0-9_/]+)\\.( +#.*)?$")
    set(suite "${CMAKE_MATCH_1}")
    string(APPEND script
      "add_test([==[${suite}]==] [==[${EXECUTABLE}]==] [==[--gtest_filter=${suite}.*]==])\n"
      "set_tests_properties([==[${suite}]==] PROPERTIES ${PROPERTIES})\n")
  endif()
endforeach()
file(WRITE "${CTEST_FILE}" "${script}")
