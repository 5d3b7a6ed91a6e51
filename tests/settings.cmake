# The settings record and file need no widgets: each test links only its own library.
potero_add_test(tst_settingsrecord LIBS potero_settingsrecord)
potero_add_test(tst_settingsfile LIBS potero_settings)
