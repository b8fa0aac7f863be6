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
# the file is configured twice, the prefix left for the second pass. It names the plug-in of
# one architecture: installed for the system (the package), it goes where a cross-compiling
# pkg-config looks for that architecture's files.
set(VANTEL_PC_PREFIX "@VANTEL_PC_PREFIX@")
set(VANTEL_PC_SYSTEMDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT CMAKE_INSTALL_LIBDIR MATCHES "${CMAKE_LIBRARY_ARCHITECTURE}")
  set(VANTEL_PC_SYSTEMDIR ${CMAKE_INSTALL_LIBDIR}/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig)
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/vantel.pc.in ${CMAKE_BINARY_DIR}/install/vantel.pc.in @ONLY)
install(CODE "
  set(VANTEL_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(dir ${VANTEL_PC_SYSTEMDIR})
  endif()
  set(pc \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${dir}/vantel.pc\")
  message(STATUS \"Installing: \${pc}\")
  # Whatever the umask of the one installing: a file anyone reads, only its owner writes.
  configure_file(\"${CMAKE_BINARY_DIR}/install/vantel.pc.in\" \"\${pc}\" @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${pc}\")
")

# The manual page, written from the host's own help at build time; Debian wants manual pages
# and changelogs compressed to the utmost, with no time stamp in the compressed file.
function(vantel_gzip input output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${input} ${output}
    DEPENDS ${input} VERBATIM)
endfunction()
set(VANTEL_MANPAGE ${CMAKE_BINARY_DIR}/install/vantel-host.1)
add_custom_command(OUTPUT ${VANTEL_MANPAGE}
  COMMAND ${CMAKE_COMMAND} -DHOST=$<TARGET_FILE:vantel-host> -DVERSION=${PROJECT_VERSION}
    -DOUTPUT=${VANTEL_MANPAGE} -P ${CMAKE_CURRENT_LIST_DIR}/manpage.cmake
  DEPENDS vantel-host ${CMAKE_CURRENT_LIST_DIR}/manpage.cmake
  COMMENT "Writing the manual page of vantel-host from its help" VERBATIM)
vantel_gzip(${VANTEL_MANPAGE} ${VANTEL_MANPAGE}.gz)
install(FILES ${VANTEL_MANPAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# `cpack -G DEB` in a build folder makes the Debian package. The project has no mail domain
# of its own: whoever distributes the package names themselves here.
set(VANTEL_PACKAGE_MAINTAINER "Vantel developers <developers@vantel.example>" CACHE STRING
  "The Maintainer field of the Debian package")
# A package of its own making: the changelog of a native package.
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/install/changelog @ONLY)
vantel_gzip(${CMAKE_BINARY_DIR}/install/changelog ${CMAKE_BINARY_DIR}/install/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/install/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
add_custom_target(vantel-package-files ALL
  DEPENDS ${VANTEL_MANPAGE}.gz ${CMAKE_BINARY_DIR}/install/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides DESTINATION
  ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vantel)
# The licence statement, where Debian looks for it: /usr/share/doc/vantel/copyright.
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${CMAKE_BINARY_DIR}/install/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantel)
set(CPACK_PACKAGE_VENDOR Vantel)
set(CPACK_PACKAGE_CONTACT "${VANTEL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "engine-configuration plug-in for ECU-tuning hosts, with its host SDK")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Checks that the engine configuration in an engine control unit's
calibration data set is coherent with what the unit can do, reports every
incoherence, regenerates the flywheel description tables and switches the
unit's functions, supervisions and data items. Holds the plug-in and its
French resources, the reference host vantel-host, the host ABI and UI
automation headers, pkg-config and CMake package files, the documentation
and the example calibration files with a minimal host.")
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
# CPack has the maintainer scripts call ldconfig for any library under /usr/lib, even in a
# folder of its own that the dynamic linker never searches, as the plug-in's is. Naming
# maintainer scripts that do not exist turns that off, and the package has none.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/install/no-maintainer-script/postinst
  ${CMAKE_BINARY_DIR}/install/no-maintainer-script/postrm)
include(CPack)
