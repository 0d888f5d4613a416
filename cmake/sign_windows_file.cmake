# Signs one Windows program or installer in place with osslsigncode (Authenticode, SHA-256):
#   cmake -DFILE=F -DCERT=C -DKEY=K [-DKEY_PASSWORD_FILE=P] [-DTIMESTAMP_URL=U] -P sign_windows_file.cmake
# CERT and KEY are PEM or DER files; the time stamp makes the signature outlive the certificate.
# The installer build runs it for each program, and makensis for the installer and its uninstaller.
cmake_minimum_required(VERSION 3.25)

foreach(required FILE CERT KEY)
    if(NOT ${required})
        message(FATAL_ERROR "sign_windows_file: ${required} is not given")
    endif()
endforeach()
find_program(OSSLSIGNCODE osslsigncode REQUIRED)

set(arguments sign -certs ${CERT} -key ${KEY} -h sha256 -n "TAVRO Writer")
if(KEY_PASSWORD_FILE)
    list(APPEND arguments -readpass ${KEY_PASSWORD_FILE})
endif()
if(TIMESTAMP_URL)
    list(APPEND arguments -ts ${TIMESTAMP_URL})
endif()
# osslsigncode writes a new file; the old one is replaced only once the signature is made.
execute_process(
    COMMAND ${OSSLSIGNCODE} ${arguments} -in ${FILE} -out ${FILE}.signed
    OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    file(REMOVE ${FILE}.signed)
    message(FATAL_ERROR "sign_windows_file: cannot sign ${FILE}:\n${output}")
endif()
file(RENAME ${FILE}.signed ${FILE})
