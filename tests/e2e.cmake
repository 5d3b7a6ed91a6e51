# End-to-end: the real program under an X server with a window manager (./dev test starts
# Xvfb and openbox), driven with xdotool as a person would. The screen at a failure, and a region
# that never matched its golden picture, are kept under artefacts/e2e/ in the build tree.
# Without a display the tests report themselves skipped.
foreach(script session defaults sessionend)
    add_test(NAME e2e_${script}
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/${script}.sh
                     $<TARGET_FILE:potero> $<TARGET_FILE:ZOR7Res>
                     ${CMAKE_CURRENT_SOURCE_DIR}/data/golden
                     ${CMAKE_CURRENT_BINARY_DIR}/artefacts/e2e/${script})
    # RUN_SERIAL: input and screenshots go to the one shared display.
    set_tests_properties(e2e_${script} PROPERTIES
        SKIP_RETURN_CODE 77 TIMEOUT 180 RUN_SERIAL TRUE LABELS "e2e;x11")
endforeach()
