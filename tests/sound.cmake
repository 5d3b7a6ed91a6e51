# The door sound (its parser and its player) and the doors' pause. Built from their own
# sources with Qt Core only, with the two sounds embedded as the program embeds them.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SOUND_TEST_PULSE REQUIRED IMPORTED_TARGET libpulse-simple)

set(platform ${PROJECT_SOURCE_DIR}/src/platform)
function(sound_test name)
    add_executable(${name} ${name}.cpp ${ARGN})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PRIVATE Qt6::Core Qt6::Test)
    target_compile_definitions(${name} PRIVATE POTERO_RESOURCES="${PROJECT_SOURCE_DIR}/resources")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

sound_test(tst_wavefile ${platform}/wavefile.cpp)
sound_test(tst_wavesound ${platform}/wavesound.cpp ${platform}/wavefile.cpp)
sound_test(tst_precisepause ${platform}/precisepause.cpp)
target_link_libraries(tst_wavesound PRIVATE PkgConfig::SOUND_TEST_PULSE)
qt_add_resources(tst_wavesound "doorsounds"
    PREFIX "/"
    BASE ${PROJECT_SOURCE_DIR}/resources
    FILES
        ${PROJECT_SOURCE_DIR}/resources/door101.wav
        ${PROJECT_SOURCE_DIR}/resources/door102.wav
)
# The tests that play need the private server of tests/sound-server.sh (without it they skip)
# and must have it to themselves: they check what it played.
set_tests_properties(tst_wavesound PROPERTIES LABELS sound RESOURCE_LOCK sound_server)
