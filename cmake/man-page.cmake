# Installs one command's manual page as Debian does: the written page of
# cmake/man/ with the version filled in, compressed with gzip -n (no name or
# time in the file, so the page is the same on every build).
#
#   cmake -DINPUT=<page.1> -DVERSION=<x.y.z> -DOUTPUT=<page.1.gz> -P man-page.cmake
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
string(REGEX REPLACE "\\.gz$" "" page ${OUTPUT})
configure_file(${INPUT} ${page} @ONLY)
execute_process(COMMAND gzip -9 -n -f ${page} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${page}")
endif()
