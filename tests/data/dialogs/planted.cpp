// A look-alike of the maker's library, planted where the program must not look for it.
#include <cstdlib>
#include <cstring>

extern "C" __attribute__((visibility("default"))) char *OrveltHpURL()
{
    static constexpr char kAddress[] = "https://planted.invalid/";
    auto *copy = static_cast<char *>(std::malloc(sizeof kAddress));
    std::memcpy(copy, kAddress, sizeof kAddress);
    return copy;
}
