# The picture loader and the sign folder's file list need no widgets: they link the platform
# library alone. The timeout catches a loader that blocks on a FIFO or a device.
potero_add_test(tst_pictureloader LIBS potero_decoder)
potero_add_test(tst_filelist LIBS potero_decoder)
# The decoder process through its real channel, with the test build that answers probes.
potero_add_test(tst_decoder LIBS potero_decoder)
