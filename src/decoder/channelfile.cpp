#include "decoder/channelfile.h"

#include "decoder/channel.h"

#include <algorithm>
#include <cstring>

namespace {

// A first fetch, or one after a seek, reaches this far: what a buffered device would read.
constexpr qint64 kFirstReach = 16 * 1024;
// A read this large is worth a round trip of its own, and goes straight to the reader: copying
// it through the read-ahead would only copy it twice.
constexpr qint64 kDirectRead = 256 * 1024;

} // namespace

ChannelFile::ChannelFile(qint64 size, Fetch fetch) : m_size(size), m_fetch(std::move(fetch))
{
    // This device keeps its own read-ahead.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 ChannelFile::fetchInto(qint64 offset, char *data, qint64 length)
{
    const qint64 got = m_fetch(offset, data, length);
    if (got < 0)
        m_broken = true;
    else
        m_fetchedEnd = offset + got;
    return got;
}

qint64 ChannelFile::readData(char *data, qint64 maxSize)
{
    const qint64 start = pos();
    const qint64 wanted = std::min(maxSize, m_size - start);
    qint64 done = 0;
    // Readers take a short read for the end of the file: fill all that is asked.
    while (done < wanted && !m_broken) {
        const qint64 at = start + done;
        const qint64 left = wanted - done;
        if (at >= m_aheadStart && at < m_aheadStart + m_ahead.size()) {
            const qint64 length = std::min(left, m_aheadStart + m_ahead.size() - at);
            std::memcpy(data + done, m_ahead.constData() + (at - m_aheadStart), size_t(length));
            done += length;
            continue;
        }
        // Carrying on, or skipping a little past the end of the last fetch, is reading through.
        const bool onward = at >= m_fetchedEnd && at - m_fetchedEnd < m_reach;
        m_reach = onward ? std::min(m_reach * 2, qint64(channel::kMaxReadLength)) : kFirstReach;
        m_ahead.clear();
        qint64 got = 0;
        if (left >= std::min(m_reach, kDirectRead)) {
            got = fetchInto(at, data + done, std::min(left, qint64(channel::kMaxReadLength)));
            done += std::max<qint64>(got, 0);
        } else {
            m_ahead.resize(std::min(m_reach, m_size - at));
            got = fetchInto(at, m_ahead.data(), m_ahead.size());
            m_ahead.resize(std::max<qint64>(got, 0));
            m_aheadStart = at;
        }
        if (got <= 0)
            break;
    }
    return m_broken && done == 0 ? -1 : done;
}
