# Makes one command's manual page from its --help with help2man, compressed
# as Debian installs manual pages (gzip -n: no name or time in the file).
#
#   cmake -DHELP2MAN=... -DPROGRAM=<binary> -DNAME=<one line> -DVERSION=<x.y.z>
#         -DMAN_DIR=<folder of .h2m sections> -DOUTPUT=<page.1.gz> -P man-page.cmake
#
# The version is given rather than asked with --version, so a page can be
# made of any command that prints its usage for --help; the command's input
# is /dev/null, so none of them waits for a key.
get_filename_component(command ${PROGRAM} NAME)
set(includes --include=${MAN_DIR}/common.h2m)
if(EXISTS ${MAN_DIR}/${command}.h2m)
  list(APPEND includes --include=${MAN_DIR}/${command}.h2m)
endif()
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
string(REGEX REPLACE "\\.gz$" ".tmp" page ${OUTPUT})
execute_process(
  COMMAND ${HELP2MAN} --no-info --section=1 --name=${NAME} --version-string=${VERSION}
          --source=razivavu --manual=razivavu ${includes} --output=${page} ${PROGRAM}
  INPUT_FILE /dev/null
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${command}")
endif()
execute_process(COMMAND gzip -9 -n -f ${page} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${page}")
endif()
file(RENAME ${page}.gz ${OUTPUT})
