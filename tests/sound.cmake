# The door sound, its parser and its player, linked against the platform library the program
# uses, with its embedded sounds. The tests that play need the private server of
# tests/sound-server.sh (without it they skip) and must have it to themselves: they check what
# it played. The doors' pause is tested with the door sound, in tst_doorsound.
potero_add_test(tst_wavesound LIBS potero_platform
                DEFINITIONS POTERO_RESOURCES="${PROJECT_SOURCE_DIR}/resources"
                LABELS sound LOCK sound_server)
