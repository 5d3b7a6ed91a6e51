# The doors' pause: its lateness per count and the real time of whole door runs; and a play
# of the door sound with no server.
add_executable(bench_pause bench_pause.cpp)
target_link_libraries(bench_pause PRIVATE potero_platform)
qt_add_resources(bench_pause "benchsounds"
    PREFIX "/"
    BASE ${PROJECT_SOURCE_DIR}/resources
    FILES ${PROJECT_SOURCE_DIR}/resources/door101.wav
)
