# The settings record and file need no widgets: they link the settings library alone.
potero_add_test(tst_settings LIBS potero_settings)
