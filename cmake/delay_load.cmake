# Libraries the Windows program loads at the first call into them rather
# than at start: the online face's (ole32, oleaut32, shell32, shlwapi) are
# never loaded offline, and wininet is loaded by the probe, once the window
# is built. Each delay-import library is made from a list of the
# functions used (cmake/delay_load/<dll>.def); a function missing from it
# fails the link, so none slips back into the start-up imports.
find_program(BREVOLT_DLLTOOL NAMES ${triple}-dlltool x86_64-w64-mingw32-dlltool REQUIRED)

# brevolt_delay_import(<dll>): the library brevolt_delay_<dll>, to link
# instead of <dll>'s import library.
function(brevolt_delay_import dll)
  set(def ${CMAKE_SOURCE_DIR}/cmake/delay_load/${dll}.def)
  set(library ${CMAKE_BINARY_DIR}/delay_load/lib${dll}_delay.a)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delay_load)
  execute_process(
    COMMAND ${BREVOLT_DLLTOOL} --input-def ${def} --dllname ${dll}.dll
            --output-delaylib ${library}
    COMMAND_ERROR_IS_FATAL ANY)
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  add_library(brevolt_delay_${dll} STATIC IMPORTED GLOBAL)
  set_target_properties(brevolt_delay_${dll} PROPERTIES IMPORTED_LOCATION ${library})
endfunction()

foreach(dll ole32 oleaut32 shell32 shlwapi wininet)
  brevolt_delay_import(${dll})
endforeach()
