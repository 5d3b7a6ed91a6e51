# The metafile player's tests link the player alone.
potero_add_test(tst_metafile LIBS potero_metafile)
