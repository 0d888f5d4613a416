# The native dialog program goes into the Windows package beside the command line, at the top of
# the unpacked folder (no DLL goes with it: the program is static).
include_guard(GLOBAL)

if(WIN32 AND TARGET tavro-writer)
    install(TARGETS tavro-writer RUNTIME DESTINATION . COMPONENT programs)
endif()
