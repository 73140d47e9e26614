# What `cmake --install` and `cpack` make of the tree for other programs.
#
#   component "runtime": the three commands, their manual pages and, with
#                        RAZIVAVU_SHARED, the shared libraries;
#   component "dev":     the archives (or the shared libraries' links), the
#                        public headers under include/razivavu/, the CMake
#                        package (find_package(razivavu), targets
#                        razivavu::<library>) and razivavu.pc for pkg-config.
#
# The libraries and their headers are installed by razivavu_library (the top
# CMakeLists.txt), which knows each library's public headers.
include(CMakePackageConfigHelpers)

set(RAZIVAVU_COMMANDS razivavu razivavu-texture razivavu-inspect)
foreach(command ${RAZIVAVU_COMMANDS})
  install(TARGETS ${command} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
endforeach()

# --- CMake package --------------------------------------------------------
set(RAZIVAVU_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/razivavu)
install(EXPORT razivavuTargets NAMESPACE razivavu:: DESTINATION ${RAZIVAVU_CMAKE_DIR}
        COMPONENT dev)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/razivavuConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/package/razivavuConfig.cmake
                              INSTALL_DESTINATION ${RAZIVAVU_CMAKE_DIR})
# Versions of one major number keep the library calls and records.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/razivavuConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/razivavuConfig.cmake
              ${PROJECT_BINARY_DIR}/package/razivavuConfigVersion.cmake
        DESTINATION ${RAZIVAVU_CMAKE_DIR} COMPONENT dev)

# --- pkg-config -----------------------------------------------------------
# One module for every installed library. The prefix is found from the .pc
# file's own place, so the tree may be moved or installed under any DESTDIR.
file(RELATIVE_PATH RAZIVAVU_PC_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" RAZIVAVU_PC_PREFIX "${RAZIVAVU_PC_PREFIX}")
# A library before the ones it uses, as a static link wants them.
set(RAZIVAVU_PC_LIBS "")
foreach(lib ${RAZIVAVU_INSTALLED_LIBRARIES})
  set(RAZIVAVU_PC_LIBS "-lrazivavu_${lib} ${RAZIVAVU_PC_LIBS}")
endforeach()
# Archives need the picture libraries, the ASTC library (libastcenc, which
# has no pkg-config module of its own), libm and the thread library (the
# worker threads of workpool) on every link; shared libraries carry them
# themselves.
if(RAZIVAVU_SHARED)
  set(RAZIVAVU_PC_PRIVATE ".private")
  set(RAZIVAVU_PC_LIBS_PRIVATE "Libs.private: -lastcenc -lm -pthread")
else()
  set(RAZIVAVU_PC_PRIVATE "")
  string(APPEND RAZIVAVU_PC_LIBS "-lastcenc -lm -pthread")
  set(RAZIVAVU_PC_LIBS_PRIVATE "")
endif()
string(STRIP "${RAZIVAVU_PC_LIBS}" RAZIVAVU_PC_LIBS)
configure_file(${CMAKE_CURRENT_LIST_DIR}/razivavu.pc.in ${PROJECT_BINARY_DIR}/package/razivavu.pc
               @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/razivavu.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# --- Manual pages ---------------------------------------------------------
# Each page is put together at build time by make_man_page (tool/manpage/):
# the prose written by hand in cmake/man/<command>.1 (NAME, SYNOPSIS,
# DESCRIPTION, EXIT STATUS, ENVIRONMENT, FILES, EXAMPLES, SEE ALSO) around the
# OPTIONS made from the option table the command parses with, so that no
# option of --help is missing from the page. build/man/ keeps the page and
# its compressed copy, which is installed.
set(pages "")
set(man_dir ${PROJECT_BINARY_DIR}/man)
foreach(command ${RAZIVAVU_COMMANDS})
  set(source ${CMAKE_CURRENT_LIST_DIR}/man/${command}.1)
  set(page ${man_dir}/${command}.1)
  add_custom_command(
    OUTPUT ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
    COMMAND make_man_page ${command} ${source} ${page}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${page} -DOUTPUT=${page}.gz
            -P ${CMAKE_CURRENT_LIST_DIR}/man-page.cmake
    DEPENDS ${source} make_man_page ${CMAKE_CURRENT_LIST_DIR}/man-page.cmake
    COMMENT "Manual page of ${command}"
    VERBATIM)
  list(APPEND pages ${page}.gz)
endforeach()
add_custom_target(man-pages ALL DEPENDS ${pages})
install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)

# --- Debian packages (cpack) ----------------------------------------------
# Two packages, as Debian splits a library: "razivavu" with the commands and
# manual pages (its dependencies read from the binaries by dpkg-shlibdeps)
# and "razivavu-dev" with what a program needs to build against the library.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME razivavu)
set(CPACK_PACKAGE_VENDOR razivavu)
set(CPACK_PACKAGE_CONTACT "razivavu developers <razivavu@localhost>")
# No CPACK_PACKAGE_DESCRIPTION_SUMMARY: each package's description below
# starts with its own summary line.
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME razivavu)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "panorama tiler and texture compressor
razivavu cuts a large BMP, JPEG, PNG or TIFF picture into texture tiles with
their mip chains, as 24-bit and DXT1 files; razivavu-texture compresses a
picture into a DDS file in one of 23 formats (ASTC in the library's own
stream); razivavu-inspect checks, shows
and compares both kinds of file.")
set(CPACK_DEBIAN_DEV_PACKAGE_NAME razivavu-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
    "libjpeg62-turbo-dev | libjpeg-dev, libpng-dev, libtiff-dev, libastcenc-dev")
if(RAZIVAVU_SHARED)
  string(APPEND CPACK_DEBIAN_DEV_PACKAGE_DEPENDS ", razivavu (= ${PROJECT_VERSION})")
  # A shlibs file for packages built against these libraries, and the
  # ldconfig trigger.
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
endif()
set(CPACK_DEBIAN_DEV_DESCRIPTION
    "texture compression library and picture loaders (development files)
The razivavu libraries: texture compression into 23 formats with mip chains
(DXT1/3/5, BC4/5/7 and ASTC blocks, uncompressed and palettised layouts), the filtered
resampler, the normal-map maker and the BMP, JPEG, PNG and TIFF loaders.
Headers, libraries, a CMake package (find_package(razivavu)) and a
pkg-config module (razivavu).")
include(CPack)
