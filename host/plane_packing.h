// Packing plane levels into the bytes the module takes: `bits` bits per
// pixel (1, 2 or 4), the first pixel in the most significant bits, the
// last byte's unused low bits zero.
#pragma once

#include <cstddef>
#include <cstdint>

namespace inkband::host {

// Bytes of a packed line of `width` pixels.
inline std::size_t packedBytes(int width, int bits) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 7) / 8;
}

// Packs width levels (each below 2^bits) and writes packedBytes(width, bits)
// bytes.
void packLevels(const uint8_t* levels, int width, int bits, uint8_t* out);

// The first and last pixel with a level above 0; false when there is none.
bool levelSpan(const uint8_t* levels, int width, int& first, int& last);

}  // namespace inkband::host
