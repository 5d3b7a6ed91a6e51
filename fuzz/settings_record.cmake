# The settings record's reader: any bytes, and a record that reads also writes and reads back.
potero_fuzzer(settings_record ${CMAKE_CURRENT_LIST_DIR}/settings_record.cpp)
target_link_libraries(settings_record PRIVATE potero_settingsrecord)
