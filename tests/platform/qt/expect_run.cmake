# Runs COMMAND (a list) in the environment changes ENV and checks its exit
# code, what it printed, and optionally that it wrote a PNG file.
if(FILE)
  file(REMOVE "${FILE}")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ${ENV} ${COMMAND}
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 50)
# Qt's note about a missing runtime directory is not the program's output.
string(REGEX REPLACE "QStandardPaths: [^\n]*\n" "" err "${err}")
if(NOT "${code}" STREQUAL "${EXIT}")
  message(FATAL_ERROR "exit code ${code}, expected ${EXIT}\nstdout: ${out}\nstderr: ${err}")
endif()
if(STDOUT AND NOT out MATCHES "${STDOUT}")
  message(FATAL_ERROR "stdout does not match '${STDOUT}':\n${out}")
endif()
if(STDERR AND NOT err MATCHES "${STDERR}")
  message(FATAL_ERROR "stderr does not match '${STDERR}':\n${err}")
endif()
if(FILE)
  file(READ "${FILE}" signature LIMIT 8 HEX)
  if(NOT signature STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "${FILE} is not a PNG file (${signature})")
  endif()
endif()
