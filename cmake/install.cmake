# What `cmake --install` lays out, and the packages `cpack` makes from the same rules:
#   bin/                     orv-render, orv-info, orv-shade, orv-live (they find lib/ through
#                            $ORIGIN)
#   lib/orv_shaders/         the host libraries and the bundled module, orv_shaders.so
#   lib/cmake/orv_shaders/   the CMake package: orv::interface, orv_add_plugin, the module path
#   include/orv/renderer.h   the renderer interface, to build more node plug-ins against
#   share/orv_shaders/       the bundled scenes, live/: orv-live's page, and examples/: a plug-in
#                            to build against the package
#   share/doc/orv-shaders/   the README, and beside it docs/ (node reference, performance report,
#                            their images) as in the source tree, so the README's links hold;
#                            the package's copyright file
include(CMakePackageConfigHelpers)

# The package's name, which Debian also gives its documentation folder.
set(ORV_PACKAGE_NAME orv-shaders)
set(ORV_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${ORV_PACKAGE_NAME})
# Who maintains the package: the Debian maintainer, the package contact and the copyright
# file's contact all come from here.
set(ORV_MAINTAINER "orv_shaders developers <orv-shaders@localhost>"
    CACHE STRING "Maintainer of the installed package, as \"Name <address>\"")
set(ORV_COPYRIGHT_HOLDER "the orv_shaders developers"
    CACHE STRING "Holder named in the package's copyright file")

install(TARGETS ${ORV_TOOLS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS orv_host_core orv_host_embree orv_host_scene orv_host_render orv_host_images orv_host_live
        orv_shaders LIBRARY DESTINATION ${ORV_LIBRARY_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/src/plugin/renderer.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orv)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/scenes DESTINATION ${ORV_DATA_DIR})
# orv-live's page: plain HTML, CSS and JavaScript, found beside the scenes.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/tools/live/page/ DESTINATION ${ORV_DATA_DIR}/live)
install(FILES ${PROJECT_SOURCE_DIR}/examples/CMakeLists.txt
        ${PROJECT_SOURCE_DIR}/examples/example_nodes.cpp ${PROJECT_SOURCE_DIR}/examples/example.json
        DESTINATION ${ORV_DATA_DIR}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${ORV_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/nodes.md ${PROJECT_SOURCE_DIR}/docs/performance.md
        DESTINATION ${ORV_DOC_DIR}/docs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION ${ORV_DOC_DIR}/docs)
configure_file(${PROJECT_SOURCE_DIR}/cmake/copyright.in ${PROJECT_BINARY_DIR}/cmake/copyright @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/cmake/copyright DESTINATION ${ORV_DOC_DIR})

set(ORV_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/orv_shaders)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/orv_shadersConfig.cmake.in
  ${PROJECT_BINARY_DIR}/cmake/orv_shadersConfig.cmake
  INSTALL_DESTINATION ${ORV_PACKAGE_DIR}
  PATH_VARS CMAKE_INSTALL_INCLUDEDIR CMAKE_INSTALL_BINDIR ORV_LIBRARY_DIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/cmake/orv_shadersConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/cmake/orv_shadersConfig.cmake
        ${PROJECT_BINARY_DIR}/cmake/orv_shadersConfigVersion.cmake
        ${PROJECT_SOURCE_DIR}/src/plugin/exports.map
        DESTINATION ${ORV_PACKAGE_DIR})

set(CPACK_PACKAGE_NAME ${ORV_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "orv_shaders")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Shader plug-in library for a CPU ray tracer, with a stand-in renderer and its tools")
# The extended description, which the Debian package shows under the summary.
set(CPACK_PACKAGE_DESCRIPTION [=[
orv_shaders.so offers eight shader node types to a production CPU ray tracer: a radio station
that broadcasts values on ten channels to the receivers in its input's network, five
receivers (colour, scalar, integer, boolean, vector), a trace node that casts probes, traced
rays, environment lookups and glossy cones, and a light blocker that tints light inside a
placed card, sphere, box or cylinder.

The package also holds a small stand-in renderer that loads the module, with its tools:
orv-render renders a JSON scene to PNG or EXR, orv-shade evaluates one node at chosen points
and explains what it did, and orv-info lists every node type and its parameters. The
renderer interface header, a CMake package and a worked example let studios build node
plug-ins of their own.]=])
set(CPACK_PACKAGE_CONTACT "${ORV_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ORV_MAINTAINER}")
set(CPACK_GENERATOR DEB TGZ)
# Binaries as Debian ships them: without symbols.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# Embree, OpenImageIO and the C++ runtime, as dpkg-shlibdeps finds them in the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/${ORV_LIBRARY_DIR})
set(CPACK_SOURCE_IGNORE_FILES /build /out /\\\\.git)
include(CPack)
