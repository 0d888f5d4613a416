# CLI11 is header-only, so the host's copy serves a cross-build too. Its headers live in the
# host's /usr/include, which must never reach the cross compiler (glibc's headers would shadow
# the target's), so the build sees a folder that holds a link to CLI/ and nothing else.
find_path(TAVRO_CLI11_INCLUDE_DIR CLI/CLI.hpp
    PATHS /usr/include /usr/local/include
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(TAVRO_CLI11_ROOT ${PROJECT_BINARY_DIR}/cli11_include)
file(MAKE_DIRECTORY ${TAVRO_CLI11_ROOT})
file(CREATE_LINK ${TAVRO_CLI11_INCLUDE_DIR}/CLI ${TAVRO_CLI11_ROOT}/CLI SYMBOLIC)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${TAVRO_CLI11_ROOT})
