#include "platform/stdchannel.h"

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <unistd.h>
#endif

namespace stdchannel {
namespace {

#ifdef Q_OS_WIN
int64_t readSome(char *data, int64_t length)
{
    DWORD got = 0;
    const DWORD want = DWORD(std::min<int64_t>(length, 1 << 30));
    if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), data, want, &got, nullptr))
        return -1;
    return got;
}

int64_t writeSome(const char *data, int64_t length)
{
    DWORD put = 0;
    const DWORD want = DWORD(std::min<int64_t>(length, 1 << 30));
    if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), data, want, &put, nullptr))
        return -1;
    return put;
}
#else
int64_t readSome(char *data, int64_t length)
{
    ssize_t got;
    do
        got = ::read(STDIN_FILENO, data, size_t(length));
    while (got < 0 && errno == EINTR);
    return got;
}

int64_t writeSome(const char *data, int64_t length)
{
    ssize_t put;
    do
        put = ::write(STDOUT_FILENO, data, size_t(length));
    while (put < 0 && errno == EINTR);
    return put;
}
#endif

} // namespace

bool readExactly(char *data, int64_t length)
{
    while (length > 0) {
        const int64_t got = readSome(data, length);
        if (got <= 0)
            return false;
        data += got;
        length -= got;
    }
    return true;
}

bool writeAll(const QByteArray &bytes)
{
    const char *data = bytes.constData();
    int64_t left = bytes.size();
    while (left > 0) {
        const int64_t put = writeSome(data, left);
        if (put <= 0)
            return false;
        data += put;
        left -= put;
    }
    return true;
}

} // namespace stdchannel
