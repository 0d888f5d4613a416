# Builds the Windows installer, run by the installer target (cmake -P):
#   -DBINARY_DIR= the Windows build tree     -DSTAGE= a folder for the files it installs
#   -DOUTPUT= the setup .exe                 -DVERSION= four numbers, as the version resource
#   -DSCRIPT= the NSIS script                -DICON= -DDESKTOP_ENTRY= -DPUBLISHER= -DMAKENSIS=
#   -DSIGN_SCRIPT= sign_windows_file.cmake, with -DCERT= -DKEY= [-DKEY_PASSWORD_FILE=]
#   [-DTIMESTAMP_URL=] when the programs, the installer and its uninstaller are to be signed
# The files are those of the install component "programs", stripped as the ZIP's are.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${STAGE})
execute_process(
    COMMAND ${CMAKE_COMMAND} --install ${BINARY_DIR} --component programs --prefix ${STAGE} --strip
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)

# The shortcut is named as the desktop entry is, in English and in Japanese.
file(STRINGS ${DESKTOP_ENTRY} entry ENCODING UTF-8)
foreach(key Name Name[ja] Comment Comment[ja])
    string(REPLACE "[" "\\[" pattern "${key}")
    string(REPLACE "]" "\\]" pattern "${pattern}")
    set(line ${entry})
    list(FILTER line INCLUDE REGEX "^${pattern}=")
    if(NOT line)
        message(FATAL_ERROR "make_installer: ${DESKTOP_ENTRY} has no ${key}")
    endif()
    string(REGEX REPLACE "^[^=]*=" "" value "${line}")
    string(REGEX REPLACE "[^A-Za-z]" "" key "${key}")
    set(entry_${key} "${value}")
endforeach()

set(settings "; Written by make_installer.cmake for one build of the installer.\n")
foreach(define
        "PRODUCT_NAME=${entry_Name}" "VERSION=${VERSION}" "PUBLISHER=${PUBLISHER}"
        "SHORTCUT_NAME_EN=${entry_Name}" "SHORTCUT_NAME_JA=${entry_Nameja}"
        "SHORTCUT_COMMENT_EN=${entry_Comment}" "SHORTCUT_COMMENT_JA=${entry_Commentja}"
        "STAGE=${STAGE}" "OUTPUT_FILE=${OUTPUT}" "ICON=${ICON}")
    string(REGEX MATCH "^[^=]*" name "${define}")
    string(REGEX REPLACE "^[^=]*=" "" value "${define}")
    string(APPEND settings "!define ${name} `${value}`\n")
endforeach()

if(CERT AND KEY)
    set(sign_command ${CMAKE_COMMAND} "-DCERT=${CERT}" "-DKEY=${KEY}")
    if(KEY_PASSWORD_FILE)
        list(APPEND sign_command "-DKEY_PASSWORD_FILE=${KEY_PASSWORD_FILE}")
    endif()
    if(TIMESTAMP_URL)
        list(APPEND sign_command "-DTIMESTAMP_URL=${TIMESTAMP_URL}")
    endif()
    file(GLOB programs ${STAGE}/*.exe)
    foreach(program ${programs})
        execute_process(COMMAND ${sign_command} -DFILE=${program} -P ${SIGN_SCRIPT}
            COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
    # makensis runs it through the shell for the installer and for the uninstaller it embeds.
    list(TRANSFORM sign_command PREPEND "\"")
    list(TRANSFORM sign_command APPEND "\"")
    list(JOIN sign_command " " sign_command)
    string(APPEND settings
        "!define SIGN_COMMAND `${sign_command} \"-DFILE=%1\" -P \"${SIGN_SCRIPT}\"`\n")
    list(LENGTH programs count)
    set(signing_note "signed ${count} programs, the installer and its uninstaller")
else()
    set(signing_note
        "nothing is signed (no code-signing certificate; give TAVRO_SIGN_CERT and TAVRO_SIGN_KEY to sign)")
endif()

set(settings_file ${STAGE}.nsh)
file(WRITE ${settings_file} "${settings}")
execute_process(
    COMMAND ${MAKENSIS} -V2 -WX -INPUTCHARSET UTF8 -DSETTINGS=${settings_file} ${SCRIPT}
    COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "installer: ${signing_note}")
