# The Windows installer: `cmake --build --preset windows --target installer` writes
# tavro-writer-<version>-win64-setup.exe beside the ZIP (NSIS, data/windows/tavro-writer-setup.nsi).
# It installs the component "programs" of the install rules: the dialog, the command line, the
# README and the licence.
#
# Signing: with a code-signing certificate and its key (PEM or DER files, kept outside the
# source tree), the programs, the installer and its uninstaller are signed with osslsigncode.
# The cache variables default to the environment variables of the same names.

include_guard(GLOBAL)

find_program(TAVRO_MAKENSIS makensis DOC "NSIS's makensis, which builds the Windows installer")

set(TAVRO_SIGN_CERT "$ENV{TAVRO_SIGN_CERT}" CACHE FILEPATH
    "Code-signing certificate (chain) for the Windows programs and installer; empty: unsigned")
set(TAVRO_SIGN_KEY "$ENV{TAVRO_SIGN_KEY}" CACHE FILEPATH "Private key of TAVRO_SIGN_CERT")
set(TAVRO_SIGN_KEY_PASSWORD_FILE "$ENV{TAVRO_SIGN_KEY_PASSWORD_FILE}" CACHE FILEPATH
    "File whose first line is the password of TAVRO_SIGN_KEY (empty: the key has none)")
set(TAVRO_SIGN_TIMESTAMP_URL "$ENV{TAVRO_SIGN_TIMESTAMP_URL}" CACHE STRING
    "RFC 3161 time-stamp server for the signatures (empty: no time stamp)")

foreach(secret TAVRO_SIGN_CERT TAVRO_SIGN_KEY TAVRO_SIGN_KEY_PASSWORD_FILE)
    if(${secret})
        cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${${secret}}" NORMALIZE inside_tree)
        if(inside_tree)
            message(FATAL_ERROR "${secret} lies in the source tree (${${secret}}); "
                "keep signing material outside it, where no commit can take it along")
        endif()
    endif()
endforeach()
if(TAVRO_SIGN_CERT AND NOT TAVRO_SIGN_KEY OR TAVRO_SIGN_KEY AND NOT TAVRO_SIGN_CERT)
    message(FATAL_ERROR "give both TAVRO_SIGN_CERT and TAVRO_SIGN_KEY, or neither")
endif()

set(tavro_installer_file ${PROJECT_BINARY_DIR}/${tavro_windows_package}-setup.exe)
set(TAVRO_MAKE_INSTALLER ${PROJECT_SOURCE_DIR}/cmake/make_installer.cmake)

# tavro_installer_command(<variable> VERSION <version> OUTPUT <file> STAGE <folder>
#                         [CERT <file> KEY <file> KEY_PASSWORD_FILE <file> TIMESTAMP_URL <url>])
# The command that builds an installer of the programs, up to the closing
# "-P ${TAVRO_MAKE_INSTALLER}": the installer target's, and the tests' (another version, a
# throwaway certificate; a later -D overrides an earlier one).
function(tavro_installer_command variable)
    cmake_parse_arguments(ARG "" "VERSION;OUTPUT;STAGE;CERT;KEY;KEY_PASSWORD_FILE;TIMESTAMP_URL" "" ${ARGN})
    set(${variable}
        ${CMAKE_COMMAND}
        -DBINARY_DIR=${PROJECT_BINARY_DIR}
        -DSTAGE=${ARG_STAGE}
        -DOUTPUT=${ARG_OUTPUT}
        -DVERSION=${ARG_VERSION}
        -DSCRIPT=${PROJECT_SOURCE_DIR}/data/windows/tavro-writer-setup.nsi
        -DICON=${PROJECT_SOURCE_DIR}/data/icons/tavro-writer.ico
        -DDESKTOP_ENTRY=${PROJECT_SOURCE_DIR}/data/linux/tavro-writer.desktop
        "-DPUBLISHER=${CPACK_PACKAGE_VENDOR}"
        -DMAKENSIS=${TAVRO_MAKENSIS}
        -DSIGN_SCRIPT=${PROJECT_SOURCE_DIR}/cmake/sign_windows_file.cmake
        -DCERT=${ARG_CERT}
        -DKEY=${ARG_KEY}
        -DKEY_PASSWORD_FILE=${ARG_KEY_PASSWORD_FILE}
        -DTIMESTAMP_URL=${ARG_TIMESTAMP_URL}
        PARENT_SCOPE)
endfunction()

if(TARGET tavro-writer AND TAVRO_MAKENSIS)
    tavro_installer_command(command
        VERSION ${PROJECT_VERSION}
        OUTPUT ${tavro_installer_file}
        STAGE ${PROJECT_BINARY_DIR}/installer-stage
        CERT "${TAVRO_SIGN_CERT}" KEY "${TAVRO_SIGN_KEY}"
        KEY_PASSWORD_FILE "${TAVRO_SIGN_KEY_PASSWORD_FILE}"
        TIMESTAMP_URL "${TAVRO_SIGN_TIMESTAMP_URL}")
    add_custom_target(installer
        COMMAND ${command} -P ${TAVRO_MAKE_INSTALLER}
        DEPENDS tavro-writer tavro-writer-cli
        BYPRODUCTS ${tavro_installer_file}
        COMMENT "Building ${tavro_windows_package}-setup.exe"
        VERBATIM)
elseif(TARGET tavro-writer)
    message(STATUS "No makensis (Debian: nsis): the installer target is left out")
endif()
