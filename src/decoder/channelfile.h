#pragma once

#include <QByteArray>
#include <QIODevice>

#include <functional>

// The picture file as the decoder sees it: a device of the file's size whose bytes are asked of
// the program as they are read. The decoder never opens a picture file itself.
class ChannelFile : public QIODevice
{
    Q_OBJECT
public:
    // fetch fills data with up to length bytes from offset and says how many it filled, or -1
    // when the channel has broken.
    using Fetch = std::function<qint64(qint64 offset, char *data, qint64 length)>;
    ChannelFile(qint64 size, Fetch fetch);

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size; }
    // The program stopped answering: the decoder ends.
    bool broken() const { return m_broken; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    qint64 fetchInto(qint64 offset, char *data, qint64 length);

    qint64 m_size;
    Fetch m_fetch;
    bool m_broken = false;
    // Bytes fetched ahead of the reader. Each read that carries on near where the last fetch
    // ended doubles how far ahead the next fetch reaches, so a file read through costs a few dozen
    // round trips, while scattered reads (a bitmap's shown rows) fetch little more than asked.
    QByteArray m_ahead;
    qint64 m_aheadStart = 0;
    qint64 m_fetchedEnd = -1;
    qint64 m_reach = 0;
};
