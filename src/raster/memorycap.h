#pragma once

#include "base/result.h"

#include <cstdint>

// One cap on the memory that decoded pictures take, for the whole program: every decode
// reserves what it will hold (its pixels and the decoder's own working buffers) before it
// starts, and a picture keeps its reservation for as long as it lives.
namespace raster {

// A 6000 x 4000 photo at 4 bytes a pixel (92 MiB) fits with room for the sign's pictures;
// with the program's own ~35 MB that keeps the process under 150 MB.
inline constexpr int64_t kMaxHeldBytes = int64_t(96) << 20;

// Bytes held against the cap; released when destroyed. Move-only.
class Reservation
{
public:
    Reservation() = default;
    ~Reservation();
    Reservation(Reservation &&other) noexcept;
    Reservation &operator=(Reservation &&other) noexcept;
    Reservation(const Reservation &) = delete;
    Reservation &operator=(const Reservation &) = delete;

    int64_t bytes() const { return m_bytes; }
    // Gives back what a finished decode no longer needs; never grows.
    void shrinkTo(int64_t bytes);

private:
    friend Result<Reservation> reserve(int64_t bytes);
    explicit Reservation(int64_t bytes) : m_bytes(bytes) {}
    int64_t m_bytes = 0;
};

// Takes bytes from the cap, or says how far past it they would go.
Result<Reservation> reserve(int64_t bytes);
// What all live reservations hold together.
int64_t heldBytes();

} // namespace raster
