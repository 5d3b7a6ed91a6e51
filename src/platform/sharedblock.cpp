#include "platform/sharedblock.h"

#include <utility>

// Owning a block is the same on every system; what a block is lives in the file for each.

SharedBlock::~SharedBlock()
{
    release();
}

SharedBlock::SharedBlock(SharedBlock &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_handle(std::exchange(other.m_handle, -1))
{
}

SharedBlock &SharedBlock::operator=(SharedBlock &&other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_handle = std::exchange(other.m_handle, -1);
    }
    return *this;
}
