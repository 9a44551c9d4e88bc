# The Debian package carrowind_<version>_amd64.deb, made by CPack from what
# `cmake --install` puts under /usr, with the documentation Debian asks for.
# `package_contents` builds what it holds and nothing else.
if(NOT TARGET man_pages)
  message(FATAL_ERROR "The package needs help2man for its manual pages, and carrowind-map (Qt 6)")
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(carrowind_maintainer "Carrowind developers <carrowind@example.org>")
set(doc_dir ${CMAKE_CURRENT_BINARY_DIR}/doc)
add_custom_command(OUTPUT ${doc_dir}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${doc_dir}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/debian-changelog ${PROJECT_SOURCE_DIR}/CHANGELOG.md
          carrowind ${carrowind_maintainer} ${doc_dir}/changelog
  COMMAND gzip -9nf ${doc_dir}/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md debian-changelog
  COMMENT "Debian changelog from CHANGELOG.md"
  VERBATIM)
add_custom_target(debian_changelog DEPENDS ${doc_dir}/changelog.gz)
install(FILES copyright ${doc_dir}/changelog.gz DESTINATION share/doc/carrowind)

add_custom_target(package_contents)
add_dependencies(package_contents carrowind carrowind-map man_pages debian_changelog)
foreach(component QVXCRW QVXCRWUI QVXErrorSink)
  add_dependencies(package_contents ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME carrowind)
set(CPACK_PACKAGE_VENDOR "Carrowind developers")
set(CPACK_PACKAGE_CONTACT "${carrowind_maintainer}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${carrowind_maintainer}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CARROWIND_INSTALL_LIBDIR})
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The plugin runs the program; QGIS is for those who want the plugin.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS python3-qgis)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "legend labels of map layers made from a label expression")
# CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Carrowind rewrites the labels of a map layer's legend classes from one
label expression such as [USE].First - [ACRES].Sum.Round(0) ac. For every
class of the layer's renderer it summarises the records of the class and
writes the formatted text into the legend.
.
This package holds the command line program carrowind, which labels map
documents (.cwmap), QGIS projects and layer styles over data read through
GDAL, the map application carrowind-map with its labeling dialog, and the
QGIS plugin Carrowind Labels with the Processing algorithms
carrowind:applylabels and carrowind:resetlabels.")
include(CPack)
