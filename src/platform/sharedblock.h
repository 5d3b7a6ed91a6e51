#pragma once

#include "base/result.h"

#include <QString>

#include <cstdint>

class QProcess;

// A block of memory that the program shares with one child process it starts: made before the
// child starts, handed to it by a token on its command line, and mapped by the child before it
// locks itself down. The decoder puts the pixels it renders here.
class SharedBlock
{
public:
    SharedBlock() = default;
    ~SharedBlock();
    SharedBlock(SharedBlock &&other) noexcept;
    SharedBlock &operator=(SharedBlock &&other) noexcept;
    SharedBlock(const SharedBlock &) = delete;
    SharedBlock &operator=(const SharedBlock &) = delete;

    // A new block of size bytes, zeroed, for a child yet to start.
    static Result<SharedBlock> create(int64_t size);
    // The block a parent made, as the child finds it from the token.
    static Result<SharedBlock> attach(const QString &token, int64_t size);

    uchar *data() const { return m_data; }
    int64_t size() const { return m_size; }
    // What the child is told, and the arrangement that lets process inherit the block alone.
    QString token() const;
    void shareWith(QProcess &process) const;

private:
    void release();
    uchar *m_data = nullptr;
    int64_t m_size = 0;
    intptr_t m_handle = -1;
};
