# The soak: long use of the bus view in-process (arrow keys over good and broken pictures of
# every format, door runs at speed 1), with resident memory and open descriptors watched.
# ./dev bench runs it in full; the ctest entry soak_short runs a small count of it.
add_executable(soak ${CMAKE_CURRENT_SOURCE_DIR}/soak.cpp ${CMAKE_CURRENT_SOURCE_DIR}/soakfiles.cpp)
target_link_libraries(soak PRIVATE potero_core potero_testsupport Qt6::Test)
potero_use_build_decoder(soak potero_core)
