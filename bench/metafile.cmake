# Load-and-render time of each metafile of the test corpus at its natural size.
add_executable(bench_metafile_playback bench_metafile_playback.cpp)
target_link_libraries(bench_metafile_playback PRIVATE potero_metafile)
target_compile_definitions(bench_metafile_playback PRIVATE
    POTERO_METAFILE_CORPUS="${PROJECT_SOURCE_DIR}/tests/data/metafile")

# How far the player's picture of each corpus metafile is from GDI's reference, strictly.
add_executable(bench_metafile_gdi bench_metafile_gdi.cpp)
target_link_libraries(bench_metafile_gdi PRIVATE potero_metafile potero_testsupport)
target_compile_definitions(bench_metafile_gdi PRIVATE
    POTERO_METAFILE_CORPUS="${PROJECT_SOURCE_DIR}/tests/data/metafile")
