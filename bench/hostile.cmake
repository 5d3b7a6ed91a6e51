# Hostile pictures of every kind, made by the benchmark itself: the worst load-and-render time
# as the sign and as the signboard, and each kind's peak resident memory.
add_executable(bench_hostile ${CMAKE_CURRENT_SOURCE_DIR}/bench_hostile.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/hostileraster.cpp ${CMAKE_CURRENT_SOURCE_DIR}/hostilemetafiles.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/hostilekinds.cpp)
target_link_libraries(bench_hostile PRIVATE potero_decoder potero_testsupport)
potero_use_build_decoder(bench_hostile potero_decoder)
