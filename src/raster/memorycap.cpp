#include "raster/memorycap.h"

#include <atomic>

namespace raster {

namespace {
std::atomic<int64_t> g_held{0};
} // namespace

Reservation::~Reservation()
{
    g_held -= m_bytes;
}

Reservation::Reservation(Reservation &&other) noexcept : m_bytes(other.m_bytes)
{
    other.m_bytes = 0;
}

Reservation &Reservation::operator=(Reservation &&other) noexcept
{
    if (this != &other) {
        g_held -= m_bytes;
        m_bytes = other.m_bytes;
        other.m_bytes = 0;
    }
    return *this;
}

void Reservation::shrinkTo(int64_t bytes)
{
    if (bytes < 0 || bytes >= m_bytes)
        return;
    g_held -= m_bytes - bytes;
    m_bytes = bytes;
}

Result<Reservation> reserve(int64_t bytes)
{
    if (bytes < 0 || bytes > kMaxHeldBytes)
        return Error{QStringLiteral("%1 bytes is more than the %2 all pictures may take")
                         .arg(bytes)
                         .arg(kMaxHeldBytes)};
    int64_t held = g_held.load();
    do {
        if (held + bytes > kMaxHeldBytes)
            return Error{QStringLiteral("%1 bytes would pass the %2 all pictures may take, "
                                        "%3 of which are in use")
                             .arg(bytes)
                             .arg(kMaxHeldBytes)
                             .arg(held)};
    } while (!g_held.compare_exchange_weak(held, held + bytes));
    return Reservation(bytes);
}

int64_t heldBytes()
{
    return g_held.load();
}

} // namespace raster
