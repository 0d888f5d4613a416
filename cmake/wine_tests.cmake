# The cross-built tests run under Wine: ctest starts each one through scripts/lib/wine-run,
# which keeps Wine's wineserver and the programs inside a private network namespace with
# nothing but loopback. A fixture starts one such session for a test run and ends it after;
# the wrapper makes a one-shot session of its own where none is up (test discovery, or a test
# program started by hand through it).
set(TAVRO_WINE_STATE ${PROJECT_BINARY_DIR}/wine)
set(TAVRO_WINE_RUN ${PROJECT_SOURCE_DIR}/scripts/lib/wine-run)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVRO_WINE_RUN} ${TAVRO_WINE_STATE})

add_test(NAME wine.session.start COMMAND ${TAVRO_WINE_RUN} --start ${TAVRO_WINE_STATE})
set_tests_properties(wine.session.start PROPERTIES FIXTURES_SETUP wine_session TIMEOUT 600)
add_test(NAME wine.session.stop COMMAND ${TAVRO_WINE_RUN} --stop ${TAVRO_WINE_STATE})
set_tests_properties(wine.session.stop PROPERTIES FIXTURES_CLEANUP wine_session)
