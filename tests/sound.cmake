# The door sound (its parser and its player) and the doors' pause, linked against the platform
# library the program uses, with its embedded sounds.
function(sound_test name)
    add_executable(${name} ${name}.cpp)
    target_link_libraries(${name} PRIVATE potero_platform Qt6::Test)
    target_compile_definitions(${name} PRIVATE POTERO_RESOURCES="${PROJECT_SOURCE_DIR}/resources")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

sound_test(tst_wavefile)
sound_test(tst_wavesound)
sound_test(tst_precisepause)
# The tests that play need the private server of tests/sound-server.sh (without it they skip)
# and must have it to themselves: they check what it played.
set_tests_properties(tst_wavesound PROPERTIES LABELS sound RESOURCE_LOCK sound_server)
