# Renders the icon files afresh and compares them with data/icons, byte for byte: the committed
# icons are the window's drawing, never a second picture kept by hand.
# Run with -DRENDER=<render_icons> -DOUT=<scratch folder> -DEXPECTED=<data/icons>.
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${RENDER}" "${OUT}" RESULT_VARIABLE rendered)
if(NOT rendered EQUAL 0)
    message(FATAL_ERROR "render_icons failed: ${rendered}")
endif()
file(GLOB fresh RELATIVE "${OUT}" "${OUT}/*")
file(GLOB committed RELATIVE "${EXPECTED}" "${EXPECTED}/*")
list(SORT fresh)
list(SORT committed)
if(NOT fresh STREQUAL committed)
    message(FATAL_ERROR "data/icons holds [${committed}] but the drawing gives [${fresh}]; run scripts/icons")
endif()
foreach(name IN LISTS fresh)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUT}/${name}" "${EXPECTED}/${name}"
                    RESULT_VARIABLE differs)
    if(differs)
        message(FATAL_ERROR "data/icons/${name} is not the current drawing; run scripts/icons")
    endif()
endforeach()
