# Runs a test command with TMPDIR pointing at an empty folder of its own, and fails the test when
# the command left anything in it: nothing a test or fuzz target makes may outlive its run.
#
#   cmake -D QF_TMP=<folder> -P QfRunClean.cmake -- <command> [args...]
#
# The folder is emptied before the run and removed after it. The command's output passes
# through; a command that fails fails the test as before.
set(command "")
set(seen_separator FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(seen_separator)
    list(APPEND command "${CMAKE_ARGV${i}}")
  elseif("${CMAKE_ARGV${i}}" STREQUAL "--")
    set(seen_separator TRUE)
  endif()
endforeach()
if(NOT command OR NOT QF_TMP)
  message(FATAL_ERROR "usage: cmake -D QF_TMP=<folder> -P QfRunClean.cmake -- <command> [args...]")
endif()

file(REMOVE_RECURSE "${QF_TMP}")
file(MAKE_DIRECTORY "${QF_TMP}")
set(ENV{TMPDIR} "${QF_TMP}")
execute_process(COMMAND ${command} RESULT_VARIABLE status)

file(GLOB left LIST_DIRECTORIES true RELATIVE "${QF_TMP}" "${QF_TMP}/*" "${QF_TMP}/.*")
list(REMOVE_ITEM left "." "..")
file(REMOVE_RECURSE "${QF_TMP}")
if(left)
  string(REPLACE ";" ", " left "${left}")
  message("The run left these in its temporary folder: ${left}")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "The run ended with ${status}")
endif()
if(left)
  message(FATAL_ERROR "Files a run makes in the temporary folder must be gone when it ends")
endif()
