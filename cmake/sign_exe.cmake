# cmake -DEXE=<file> -P sign_exe.cmake: signs EXE in place with Authenticode
# when BREVOLT_SIGN_PKCS12 names a PKCS#12 file (cmake/windows_release.cmake
# lists the variables); does nothing when it is unset or empty.
if("$ENV{BREVOLT_SIGN_PKCS12}" STREQUAL "")
  return()
endif()
find_program(OSSLSIGNCODE osslsigncode)
if(NOT OSSLSIGNCODE)
  message(FATAL_ERROR "BREVOLT_SIGN_PKCS12 is set, but osslsigncode is not installed")
endif()

# The password goes through a file only its owner can read, never on a
# command line that every user of the machine can list.
get_filename_component(dir ${EXE} DIRECTORY)
set(secret_dir ${dir}/.brevolt-sign)
file(REMOVE_RECURSE ${secret_dir})
file(MAKE_DIRECTORY ${secret_dir})
file(CHMOD ${secret_dir} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
file(WRITE ${secret_dir}/password "$ENV{BREVOLT_SIGN_PASSWORD}")

set(args sign -pkcs12 $ENV{BREVOLT_SIGN_PKCS12} -readpass ${secret_dir}/password -h sha256
    -n Brevolt -in ${EXE} -out ${EXE}.signed)
if(NOT "$ENV{BREVOLT_SIGN_TIMESTAMP_URL}" STREQUAL "")
  list(APPEND args -ts $ENV{BREVOLT_SIGN_TIMESTAMP_URL})
endif()
execute_process(COMMAND ${OSSLSIGNCODE} ${args} RESULT_VARIABLE result OUTPUT_QUIET)
file(REMOVE_RECURSE ${secret_dir})
if(NOT result EQUAL 0)
  file(REMOVE ${EXE}.signed)
  message(FATAL_ERROR "signing ${EXE} with $ENV{BREVOLT_SIGN_PKCS12} failed")
endif()
file(RENAME ${EXE}.signed ${EXE})
message(STATUS "signed ${EXE}")
