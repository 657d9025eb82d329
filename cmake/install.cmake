# What `cmake --install` lays out, and the packages `cpack` makes from the same rules:
#   bin/                     orv-render, orv-info, orv-shade (they find lib/ through $ORIGIN)
#   lib/orv_shaders/         the host libraries and the bundled module, orv_shaders.so
#   lib/cmake/orv_shaders/   the CMake package: orv::interface, orv_add_plugin, the module path
#   include/orv/renderer.h   the renderer interface, to build more node plug-ins against
#   share/orv_shaders/       the bundled scenes
#   share/doc/orv_shaders/   the README, the node reference and its images
include(CMakePackageConfigHelpers)

install(TARGETS ${ORV_TOOLS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS orv_host_core orv_host_embree orv_host_scene orv_host_render orv_host_images
        orv_shaders LIBRARY DESTINATION ${ORV_LIBRARY_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/src/plugin/renderer.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orv)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/scenes DESTINATION ${ORV_DATA_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/nodes.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION ${CMAKE_INSTALL_DOCDIR})

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

set(CPACK_PACKAGE_NAME orv-shaders)
set(CPACK_PACKAGE_VENDOR "orv_shaders")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Shader plug-in library for a CPU ray tracer, with a stand-in renderer and its tools")
set(CPACK_PACKAGE_CONTACT "orv_shaders developers <orv-shaders@localhost>")
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# Embree, OpenImageIO and the C++ runtime, as dpkg-shlibdeps finds them in the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/${ORV_LIBRARY_DIR})
set(CPACK_SOURCE_IGNORE_FILES /build /out /\\\\.git)
include(CPack)
