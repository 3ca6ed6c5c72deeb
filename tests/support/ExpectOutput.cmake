# Runs PROGRAM with the one argument ARG (cmake -P) and passes only when it exits with 0
# and its standard output matches the regular expression MATCH. CTest's own
# PASS_REGULAR_EXPRESSION ignores the exit code, so a crash after the line would pass.
execute_process(COMMAND "${PROGRAM}" "${ARG}" RESULT_VARIABLE result OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT result STREQUAL "0")
  message(FATAL_ERROR "${PROGRAM} ${ARG} ended with ${result}\n${out}${err}")
endif()
if(NOT out MATCHES "${MATCH}")
  message(FATAL_ERROR "${PROGRAM} ${ARG} wrote what does not match \"${MATCH}\":\n${out}")
endif()
