# The doors' pause: its lateness per count and the real time of whole door runs; and a play
# of the door sound with no server. Built from the platform sources it measures.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SOUND_BENCH_PULSE REQUIRED IMPORTED_TARGET libpulse-simple)

set(platform ${PROJECT_SOURCE_DIR}/src/platform)
add_executable(bench_pause bench_pause.cpp
    ${platform}/precisepause.cpp ${platform}/wavesound.cpp ${platform}/wavefile.cpp)
target_include_directories(bench_pause PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(bench_pause PRIVATE Qt6::Core PkgConfig::SOUND_BENCH_PULSE)
qt_add_resources(bench_pause "benchsounds"
    PREFIX "/"
    BASE ${PROJECT_SOURCE_DIR}/resources
    FILES ${PROJECT_SOURCE_DIR}/resources/door101.wav
)
