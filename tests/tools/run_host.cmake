# Runs spk_host and checks its exit status and what it printed.
#   HOST             the program
#   ARGS             its arguments, separated by '|'
#   STATUS           the exit status expected
#   STDOUT, STDERR   regular expressions the output must match; STDOUT may be "EMPTY"
#   NEEDS            a file the run needs; when it is absent the test is skipped
if(DEFINED NEEDS AND NOT EXISTS "${NEEDS}")
  message("SKIPPED: ${NEEDS} is absent")
  return()
endif()
string(REPLACE "|" ";" args "${ARGS}")
execute_process(COMMAND ${HOST} ${args} RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
set(report "exit status ${status}\n--- stdout\n${out}--- stderr\n${err}")
if(NOT status STREQUAL STATUS)
  message(FATAL_ERROR "expected exit status ${STATUS}\n${report}")
endif()
if(STDOUT STREQUAL "EMPTY")
  if(NOT out STREQUAL "")
    message(FATAL_ERROR "expected nothing on stdout\n${report}")
  endif()
elseif(DEFINED STDOUT AND NOT out MATCHES "${STDOUT}")
  message(FATAL_ERROR "stdout does not match '${STDOUT}'\n${report}")
endif()
if(DEFINED STDERR AND NOT err MATCHES "${STDERR}")
  message(FATAL_ERROR "stderr does not match '${STDERR}'\n${report}")
endif()
