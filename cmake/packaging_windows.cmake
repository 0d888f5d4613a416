# The Windows package: one ZIP, unpacked anywhere and run from there (nothing to install).
# `cmake --build --preset windows --target package` gives
# tavro-writer-<version>-win64.zip with a folder of the same name holding the programs, the
# README and the licence. The programs are static, so no DLL goes with them.

include_guard(GLOBAL)

# Everything at the folder's top: a user who unpacks it finds the programs beside the README.
# The component "programs" is also what the installer installs; the simulator, for tests, is in
# the ZIP only.
set(tavro_windows_programs tavro-writer-cli tavro-sim)
# The dialog program, once the Windows build has it.
if(TARGET tavro-writer)
    list(PREPEND tavro_windows_programs tavro-writer)
    install(TARGETS tavro-writer RUNTIME DESTINATION . COMPONENT programs)
endif()
install(TARGETS tavro-writer-cli RUNTIME DESTINATION . COMPONENT programs)
install(TARGETS tavro-sim RUNTIME DESTINATION . COMPONENT simulator)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION . COMPONENT programs)
# Without an extension Windows does not know how to open it.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt COMPONENT programs)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The TAVRO Writer developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(tavro_windows_package ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_FILE_NAME ${tavro_windows_package})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The build keeps its debug information; the package does not need it (a tenth of the size).
set(CPACK_STRIP_FILES ON)
include(CPack)
