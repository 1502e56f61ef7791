# cmake -DPROGRAM=<program> -DOPTION=<option> -DOUTPUT=<file> -P QuilletWriteOutput.cmake
# Writes what `<program> <option>` prints to <file>, failing the build if it fails.
execute_process(COMMAND ${PROGRAM} ${OPTION} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "${PROGRAM} ${OPTION} failed: ${result}")
endif()
