# The picture loader and the sign folder's file list need no widgets: they link the platform
# library alone. The timeout catches a loader that blocks on a FIFO or a device.
foreach(name tst_pictureloader tst_filelist)
    add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp)
    target_link_libraries(${name} PRIVATE potero_platform Qt6::Test)
    target_compile_definitions(${name} PRIVATE POTERO_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
endforeach()
