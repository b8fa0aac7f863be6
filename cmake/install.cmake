# What `cmake --install` and `cpack` put where. Included from the top level once the plug-in,
# its French resources and the reference host are defined.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The plug-in folder. The handshake finds the French resources by inserting "FRA" into the
# plug-in's own file name, so the two libraries stay side by side and unversioned; the
# reference host loads the plug-in from its own folder, so its binary lives here too and the
# one on PATH is a link to it (the host follows /proc/self/exe, which names the link's target).
set(VANTEL_INSTALL_PLUGINDIR ${CMAKE_INSTALL_LIBDIR}/vantel)
set(VANTEL_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/vantel)

install(TARGETS vantel vantelFRA LIBRARY DESTINATION ${VANTEL_INSTALL_PLUGINDIR})
install(TARGETS vantel-host RUNTIME DESTINATION ${VANTEL_INSTALL_PLUGINDIR})
file(RELATIVE_PATH VANTEL_HOST_LINK ${CMAKE_INSTALL_FULL_BINDIR}
  ${CMAKE_INSTALL_FULL_LIBDIR}/vantel/vantel-host)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install)
file(CREATE_LINK ${VANTEL_HOST_LINK} ${CMAKE_BINARY_DIR}/install/vantel-host SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/install/vantel-host DESTINATION ${CMAKE_INSTALL_BINDIR})

install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/vantel DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The minimal host's own build folder, when someone built it in place, is not an example.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
  PATTERN build EXCLUDE)

# find_package(vantel): relocatable, so the same files serve a prefix given at install time.
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/vantelConfig.cmake.in
  ${CMAKE_BINARY_DIR}/install/vantelConfig.cmake
  INSTALL_DESTINATION ${VANTEL_INSTALL_CMAKEDIR}
  PATH_VARS CMAKE_INSTALL_INCLUDEDIR VANTEL_INSTALL_PLUGINDIR CMAKE_INSTALL_DOCDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/install/vantelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/install/vantelConfig.cmake
  ${CMAKE_BINARY_DIR}/install/vantelConfigVersion.cmake DESTINATION ${VANTEL_INSTALL_CMAKEDIR})

# pkg-config wants an absolute prefix, and `--prefix` or cpack choose it only at install time:
# the file is configured twice, the prefix left for the second pass.
set(VANTEL_PC_PREFIX "@VANTEL_PC_PREFIX@")
configure_file(${CMAKE_CURRENT_LIST_DIR}/vantel.pc.in ${CMAKE_BINARY_DIR}/install/vantel.pc.in @ONLY)
install(CODE "
  set(VANTEL_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(pc \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig/vantel.pc\")
  message(STATUS \"Installing: \${pc}\")
  configure_file(\"${CMAKE_BINARY_DIR}/install/vantel.pc.in\" \"\${pc}\" @ONLY)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${pc}\")
")

# `cpack -G DEB` in a build folder makes the Debian package.
set(VANTEL_PACKAGE_MAINTAINER "Vantel developers <vantel@localhost>" CACHE STRING
  "The Maintainer field of the Debian package")
# The licence statement, where Debian looks for it: /usr/share/doc/vantel/copyright.
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${CMAKE_BINARY_DIR}/install/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantel)
set(CPACK_PACKAGE_VENDOR Vantel)
set(CPACK_PACKAGE_CONTACT "${VANTEL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "engine-configuration plug-in for ECU-tuning hosts, with its host SDK")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Checks that the engine configuration in an engine control
unit's calibration data set is coherent with what the unit can do, reports every
incoherence, regenerates the flywheel description tables and switches the unit's functions,
supervisions and data items. Holds the plug-in and its French resources, the reference host
vantel-host, the host ABI and UI automation headers, pkg-config and CMake package files, the
documentation and the example calibration files with a minimal host.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VANTEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg-shlibdeps (dpkg-dev) derives the Depends field; without it, the three runtimes named.
find_program(VANTEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VANTEL_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
endif()
# The minimal host among the examples reads its Kalbrix with nlohmann-json.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "nlohmann-json3-dev, pkg-config")
set(CPACK_STRIP_FILES ON)
include(CPack)
