# The metafile player's tests link the player alone.
add_executable(tst_metafile tst_metafile.cpp metafilebuilder.h)
target_link_libraries(tst_metafile PRIVATE potero_metafile Qt6::Test)
target_include_directories(tst_metafile PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
add_test(NAME tst_metafile COMMAND tst_metafile)
set_tests_properties(tst_metafile PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

add_executable(tst_metafile_corpus tst_metafile_corpus.cpp)
target_link_libraries(tst_metafile_corpus PRIVATE potero_metafile Qt6::Test)
target_compile_definitions(tst_metafile_corpus PRIVATE POTERO_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
add_test(NAME tst_metafile_corpus COMMAND tst_metafile_corpus)
set_tests_properties(tst_metafile_corpus PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
