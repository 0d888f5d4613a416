# A header-only library of the host serves a cross-build too. Its headers live in the host's
# /usr/include, which must never reach the cross compiler (glibc's headers would shadow the
# target's), so the build sees a folder that holds a link to the library's own folder and
# nothing else.
# tavro_header_only_from_host(<target> <folder>/<header>): the imported <target>.
function(tavro_header_only_from_host target header)
    string(REGEX REPLACE "/.*" "" folder ${header})
    string(MAKE_C_IDENTIFIER ${folder} name)
    find_path(TAVRO_${name}_INCLUDE_DIR ${header}
        PATHS /usr/include /usr/local/include
        NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(root ${PROJECT_BINARY_DIR}/host_headers/${name})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${TAVRO_${name}_INCLUDE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    add_library(${target} INTERFACE IMPORTED)
    target_include_directories(${target} SYSTEM INTERFACE ${root})
endfunction()
