#include "decoder/channelfile.h"

#include "decoder/channel.h"

#include <algorithm>

ChannelFile::ChannelFile(qint64 size, Fetch fetch) : m_size(size), m_fetch(std::move(fetch))
{
    open(QIODevice::ReadOnly);
}

qint64 ChannelFile::readData(char *data, qint64 maxSize)
{
    const qint64 length = std::min({maxSize, m_size - pos(), qint64(channel::kMaxReadLength)});
    if (length <= 0 || m_broken)
        return 0;
    const qint64 got = m_fetch(pos(), data, length);
    if (got < 0) {
        m_broken = true;
        return -1;
    }
    return got;
}
