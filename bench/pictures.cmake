# Listing a sign folder of 10,000 files beside `ls -f`, and loading typical sign pictures.
add_executable(bench_pictures ${CMAKE_CURRENT_SOURCE_DIR}/bench_pictures.cpp)
target_link_libraries(bench_pictures PRIVATE potero_platform)
target_compile_definitions(bench_pictures PRIVATE
    POTERO_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
