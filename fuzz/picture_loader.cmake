# The picture loader's decoding, fed from memory through the same entry point Load uses.
potero_fuzzer(picture_loader ${CMAKE_CURRENT_SOURCE_DIR}/picture_loader.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/gui_harness.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/metafile_mutator.cpp)
target_link_libraries(picture_loader PRIVATE potero_decoder)
