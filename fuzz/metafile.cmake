# The metafile player: parsing, natural size and playback of any bytes.
potero_fuzzer(metafile ${CMAKE_CURRENT_SOURCE_DIR}/metafile_player.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/gui_harness.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/metafile_mutator.cpp)
target_link_libraries(metafile PRIVATE potero_metafile Qt6::Gui)
