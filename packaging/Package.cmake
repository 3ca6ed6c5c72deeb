# The Debian package: `cmake --build build --target package` writes
# palavo-xp_<version>_<arch>.deb into the build directory. It holds what the install rules
# install (host/CMakeLists.txt) and, from here, the files a Debian package carries beside
# them: copyright, changelog, manual page and AppStream metadata.
include(GNUInstallDirs)

set(_pkg ${CMAKE_CURRENT_LIST_DIR})
set(_pkg_out ${CMAKE_BINARY_DIR}/packaging)
set(_pkg_doc ${CMAKE_INSTALL_DATADIR}/doc/palavo-xp)
set(PALAVO_APPSTREAM_ID io.github.palavo_xp.PalavoXP)

# The changelog and the AppStream release name the version the package carries; a version
# raised in project() alone would ship a changelog that contradicts it.
file(STRINGS ${_pkg}/changelog _first LIMIT_COUNT 1)
file(STRINGS ${_pkg}/${PALAVO_APPSTREAM_ID}.metainfo.xml _release REGEX "<release ")
if(NOT _first MATCHES "^palavo-xp \\(${PROJECT_VERSION}\\) "
   OR NOT _release MATCHES "version=\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "packaging/changelog and packaging/${PALAVO_APPSTREAM_ID}.metainfo.xml "
                      "must start with a release of version ${PROJECT_VERSION}")
endif()

# Debian wants the changelog and the manual page compressed with gzip -9n.
find_program(PALAVO_GZIP gzip REQUIRED)
set(_gz)
foreach(_src changelog PalavoXP.1)
  add_custom_command(
    OUTPUT ${_pkg_out}/${_src}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_pkg_out}
    COMMAND ${PALAVO_GZIP} -9nc ${_pkg}/${_src} > ${_pkg_out}/${_src}.gz
    DEPENDS ${_pkg}/${_src}
    VERBATIM)
  list(APPEND _gz ${_pkg_out}/${_src}.gz)
endforeach()
add_custom_target(palavo_package_docs ALL DEPENDS ${_gz})

install(FILES ${_pkg}/copyright ${_pkg_out}/changelog.gz DESTINATION ${_pkg_doc})
install(FILES ${_pkg_out}/PalavoXP.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_pkg}/${PALAVO_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(PALAVO_PACKAGE_MAINTAINER
    "Palavo XP maintainers <maintainers@users.noreply.c-seed-9af3b579.example>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME palavo-xp)
set(CPACK_PACKAGE_VENDOR "Palavo XP maintainers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serverless chat and presence on the local network")
# Lines of at most 80 characters, as the control file wants them.
set(CPACK_PACKAGE_DESCRIPTION [[
Palavo XP announces its user on the local network by UDP broadcast and lists
everyone it hears: who is present or away, with a memo of their whereabouts
and an automatic absence reply. No server is needed.

Its users send one-to-one messages with delivery receipts, write to the
members of named groups, send files, and place voice and video calls. It
speaks the IP Messenger datagram protocol, so IP Messenger users appear in its
list and can message it. Its user texts are Japanese.]])
# Install into the staging tree through DESTDIR with the real prefix, whatever prefix the
# build was configured with, so the relative links the install rules compute point where
# they will on the target.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PALAVO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# What the linked libraries need, computed by dpkg-shlibdeps, plus what the media library
# opens at run time: GLES 2 and EGL for the video display (under the names the links in
# lib/palavo-xp give them), Mesa's drivers for OpenGL, and linphone-common for the ring.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgles2, libegl1, libgl1-mesa-dri, linphone-common")
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
