# Cross-builds 64-bit Windows programs on Linux with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix,
# whose POSIX thread model gives std::thread and std::jthread).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVRO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVRO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVRO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVRO_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW sysroot only; programs (the build tools) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TAVRO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static programs: they run on a bare Windows without the compiler's runtime DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
