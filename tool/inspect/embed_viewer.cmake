# Builds the page's files (tool/inspect/viewer/) into razivavu-inspect as
# raw string literals, so the command carries its viewer and needs nothing
# installed beside it. Run as: cmake -DSRC=<folder> -DOUT=<file.cpp> -P this.
set(names index.html viewer.js viewer.css)
set(text "// Made by tool/inspect/embed_viewer.cmake from tool/inspect/viewer/; do not edit.\n")
string(APPEND text "#include \"inspect/viewer.h\"\n\nconst ViewerAsset VIEWER_ASSETS[] = {\n")
foreach(name ${names})
  file(READ ${SRC}/${name} content)
  string(FIND "${content}" ")viewer\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${name} holds the literal's closing text )viewer\"")
  endif()
  string(APPEND text "    {\"${name}\", R\"viewer(${content})viewer\"},\n")
endforeach()
list(LENGTH names count)
string(APPEND text "};\nconst size_t VIEWER_ASSET_COUNT = ${count};\n")
file(WRITE ${OUT}.tmp "${text}")
file(RENAME ${OUT}.tmp ${OUT})
