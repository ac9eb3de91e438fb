# Two Debian packages from one build: "cpack -G DEB" in the build folder.
# Configure with -DCMAKE_INSTALL_PREFIX=/usr so that the web module's folder
# is the multiarch one the executable's RUNPATH names.
set(CPACK_PACKAGE_NAME brevolt)
set(CPACK_PACKAGE_VENDOR "The Brevolt developers")
set(CPACK_PACKAGE_CONTACT "The Brevolt developers <maintainers@brevolt.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL brevolt brevolt-signup-server)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://brevolt.example/)
# Files and folders 0644/0755 whatever the umask of the build.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_BREVOLT_PACKAGE_NAME brevolt)
set(CPACK_DEBIAN_BREVOLT_PACKAGE_SECTION x11)
set(CPACK_COMPONENT_BREVOLT_DESCRIPTION
    "invitation to join the Zendrolt mailing list\n\
Started by Zendrolt beside its own window, Brevolt puts that window aside and\n\
shows a small window inviting the user to join the mailing list: the sign-up\n\
page in an embedded browser when it can be reached, a built-in panel when it\n\
cannot.")

set(CPACK_DEBIAN_BREVOLT-SIGNUP-SERVER_PACKAGE_NAME brevolt-signup-server)
set(CPACK_DEBIAN_BREVOLT-SIGNUP-SERVER_PACKAGE_SECTION web)
set(CPACK_COMPONENT_BREVOLT-SIGNUP-SERVER_DESCRIPTION
    "reference sign-up server for Brevolt\n\
Serves the mailing-list sign-up page that Brevolt shows and records each\n\
sign-up in an SQLite database. It runs by hand or as a hardened systemd\n\
service.")

include(CPack)
