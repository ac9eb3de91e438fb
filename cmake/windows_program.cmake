# The Windows program, cross-built with mingw-w64 (cmake/mingw-w64-x86_64.cmake)
# and tested under Wine. Included from the top-level CMakeLists.txt only when
# the target system is Windows.
enable_language(RC)

# One self-contained brevolt.exe: the C++ runtime, libgcc and winpthread are
# linked in, so it needs nothing beside it but the system's own DLLs.
add_link_options(-static -static-libgcc -static-libstdc++)
# The same commit gives the same brevolt.exe, byte for byte, wherever it is
# built: no link time in its headers, no build folder's path in its code.
# Release builds carry no symbols.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
add_link_options(-Wl,--no-insert-timestamp $<$<CONFIG:Release,MinSizeRel>:-s>)
# Sections page-aligned in the file too, so that the loader maps the exe
# (several MB, most of it pictures for scales this screen may never show)
# page by page as it is touched; Wine reads an exe whose sections are not
# page-aligned whole into memory before it starts.
add_link_options(-Wl,--file-alignment=0x1000)
# Windows 7 and later; the ANSI calls are the ones the handlers are written with.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)

include(cmake/delay_load.cmake)

add_subdirectory(app)
add_subdirectory(platform/win32)
add_subdirectory(platform/webbrowser)
add_subdirectory(ui/win32)
add_subdirectory(bench/windows)
include(cmake/windows_release.cmake)

if(BUILD_TESTING)
  # GoogleTest from Debian's sources, built with the same compiler.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  include(${CMAKE_SOURCE_DIR}/cmake/wine_test.cmake)
  add_subdirectory(tests/windows)
  add_subdirectory(tests/webbrowser)
endif()
