# Listing a sign folder of 10,000 files beside `ls -f`, and loading typical sign pictures.
add_executable(bench_pictures ${CMAKE_CURRENT_SOURCE_DIR}/bench_pictures.cpp)
target_link_libraries(bench_pictures PRIVATE potero_decoder potero_testsupport)
