#pragma once

#include <QByteArray>

#include <cstdint>

// The decoder's end of its private channel to the program: its standard input and output,
// read and written whole, as bytes, with no buffering and no text translation.
namespace stdchannel {

// Fills length bytes; false at the channel's end or on an error.
bool readExactly(char *data, int64_t length);
bool writeAll(const QByteArray &bytes);

} // namespace stdchannel
