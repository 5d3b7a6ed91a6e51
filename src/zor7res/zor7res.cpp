// The maker's resource library. Its one export hands out the address of the maker's web page
// as a narrow string that the caller takes over and releases with free().
#include "homepage.h"

#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#define ZOR7RES_EXPORT extern "C" __declspec(dllexport)
#else
#define ZOR7RES_EXPORT extern "C" __attribute__((visibility("default")))
#endif

ZOR7RES_EXPORT char *OrveltHpURL()
{
    static constexpr char kAddress[] = ZOR7RES_HOME_PAGE;
    auto *copy = static_cast<char *>(std::malloc(sizeof kAddress));
    if (copy != nullptr) {
        std::memcpy(copy, kAddress, sizeof kAddress);
    }
    return copy;
}
