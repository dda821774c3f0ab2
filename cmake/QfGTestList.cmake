# Script run after a test executable is linked (cmake -P): lists its cases into a file that
# CTest reads (see qf_add_tests in QfTargets.cmake), one "Suite.Case" a line, a disabled case
# prefixed with "-".
#   -D TEST_EXECUTABLE=<file> -D CASES_FILE=<file>
execute_process(COMMAND ${TEST_EXECUTABLE} --gtest_list_tests
  OUTPUT_VARIABLE listing
  ERROR_VARIABLE errors
  RESULT_VARIABLE rc
  TIMEOUT 120)
if(NOT rc EQUAL 0)
  file(REMOVE ${CASES_FILE})
  message(FATAL_ERROR "listing the cases of ${TEST_EXECUTABLE} failed (${rc}):\n${listing}\n${errors}")
endif()

# The listing: a line "Suite." (maybe followed by "  # TypeParam = ...") opens a suite, and each
# of its cases follows on a line of its own, indented by two spaces.
string(REPLACE ";" "\\;" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(suite "")
set(cases "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE " *#.*$" "" line "${line}")
  if(line MATCHES "^([^ ]+)\\.$")
    set(suite "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^  ([^ ]+)$" AND NOT suite STREQUAL "")
    set(name "${suite}.${CMAKE_MATCH_1}")
    if(name MATCHES "(^|\\.)DISABLED_")
      set(name "-${name}")
    endif()
    string(APPEND cases "${name}\n")
  endif()
endforeach()
file(WRITE ${CASES_FILE}.new "${cases}")
file(COPY_FILE ${CASES_FILE}.new ${CASES_FILE} ONLY_IF_DIFFERENT)
file(REMOVE ${CASES_FILE}.new)
