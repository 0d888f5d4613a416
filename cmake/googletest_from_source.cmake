# GoogleTest and GoogleMock built from the host's sources (/usr/src/googletest) with the cross
# compiler, once per build tree: there is no prebuilt copy for the Windows target. Its own code
# is not held to our warning flags.
set(TAVRO_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for a cross-build")
if(NOT EXISTS ${TAVRO_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${TAVRO_GOOGLETEST_SOURCE} (Debian: googletest)")
endif()

block()
    string(REPLACE "-Werror" "" CMAKE_CXX_FLAGS "${CMAKE_CXX_FLAGS}")
    # Its options take the values set here instead of clearing them.
    set(CMAKE_POLICY_DEFAULT_CMP0077 NEW)
    set(INSTALL_GTEST OFF)
    set(BUILD_GMOCK ON)
    add_subdirectory(${TAVRO_GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endblock()
# The sources name their targets GTest::gtest, GTest::gmock and so on, as the packaged copy does.
