# What a maker ships: brevolt.exe, signed right after the build when a
# certificate is given, in a zip with a short text for makers
# (cpack --config <build>/CPackConfig.cmake, from a Release build).
#
# Signing (Authenticode, with osslsigncode) reads the build's environment,
# so that no secret is kept in the build's cache:
#   BREVOLT_SIGN_PKCS12         PKCS#12 file holding the key and certificate
#   BREVOLT_SIGN_PASSWORD       its password
#   BREVOLT_SIGN_TIMESTAMP_URL  a time-stamping server (optional)
# With BREVOLT_SIGN_PKCS12 unset or empty the exe is left unsigned. The step
# itself is brevolt's own (ui/win32/CMakeLists.txt).

install(TARGETS brevolt RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/dist/windows/MAKERS.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME brevolt)
set(CPACK_PACKAGE_VENDOR "The Brevolt developers")
set(CPACK_PACKAGE_FILE_NAME brevolt-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Never stripped here: stripping a signed exe would break its signature,
# and a Release build is stripped already.
set(CPACK_STRIP_FILES OFF)
include(CPack)
