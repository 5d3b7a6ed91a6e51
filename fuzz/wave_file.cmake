# The WAVE parser behind the door sound.
potero_fuzzer(wave_file ${CMAKE_CURRENT_LIST_DIR}/wave_file.cpp)
target_link_libraries(wave_file PRIVATE potero_wavefile)
