# The program's reader of what the decoder process sends: sizes, reads and replies.
potero_fuzzer(decoder_messages ${CMAKE_CURRENT_LIST_DIR}/decoder_messages.cpp)
target_link_libraries(decoder_messages PRIVATE potero_decoder)
