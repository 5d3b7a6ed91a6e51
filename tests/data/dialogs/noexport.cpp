// A library named like the maker's library that lacks its export.
extern "C" __attribute__((visibility("default"))) int ZOR7ResVersion()
{
    return 1;
}
