# The door sound (its parser and its player) and the doors' pause, linked against the platform
# library the program uses, with its embedded sounds. The tests that play need the private
# server of tests/sound-server.sh (without it they skip) and must have it to themselves: they
# check what it played.
set(sound_definitions POTERO_RESOURCES="${PROJECT_SOURCE_DIR}/resources")
potero_add_test(tst_wavefile LIBS potero_platform DEFINITIONS ${sound_definitions})
potero_add_test(tst_wavesound LIBS potero_platform DEFINITIONS ${sound_definitions}
                LABELS sound LOCK sound_server)
potero_add_test(tst_precisepause LIBS potero_platform DEFINITIONS ${sound_definitions})
