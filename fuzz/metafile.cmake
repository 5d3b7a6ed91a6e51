# The metafile player: parsing, natural size and playback of any bytes.
potero_fuzzer(metafile_player ${CMAKE_CURRENT_SOURCE_DIR}/metafile_player.cpp)
target_link_libraries(metafile_player PRIVATE potero_metafile Qt6::Gui)
