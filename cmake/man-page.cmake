# Compresses one built manual page as Debian does: gzip -n, no name or time
# in the file, so the page is the same on every build. The page itself is
# left beside it (the tests read it, `man -l` shows it).
#
#   cmake -DINPUT=<page.1> -DOUTPUT=<page.1.gz> -P man-page.cmake
execute_process(COMMAND gzip -9 -n -c ${INPUT} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "gzip failed for ${INPUT}")
endif()
