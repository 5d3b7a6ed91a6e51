# Door runs against their model, an arrow key to the painted sign, idle CPU.
add_executable(bench_busview ${CMAKE_CURRENT_SOURCE_DIR}/bench_busview.cpp)
target_link_libraries(bench_busview PRIVATE potero_core potero_testsupport Qt6::Test)
potero_use_build_decoder(bench_busview potero_core)
