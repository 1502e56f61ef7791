# cmake -DINPUT=<file> -DOUTPUT=<file.gz> -P QuilletCompress.cmake
# Compresses <file> the way Debian wants installed documentation: the best
# compression, without the name and time stamp that would make it differ
# from build to build.
execute_process(COMMAND gzip -9 -n -c ${INPUT} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "gzip ${INPUT} failed: ${result}")
endif()
