// The printer command set: every command the module sends, as constant
// templates, and the one command built from a number (ESC ( e).
//
// Frame: 1B 28 <letter> <length lo> <length hi> <payload>.  Lengths are
// little-endian; the band count of ESC ( e alone is big-endian.
#pragma once

#include <cstdint>

namespace inkband {

inline constexpr uint8_t kFormFeed = 0x0C;
inline constexpr int16_t kPageHeaderSize = 12;      // ESC ( I + ESC ( J
inline constexpr int16_t kSkipCommandSize = 7;      // ESC ( e
inline constexpr int16_t kBandChunkHeaderSize = 5;  // ESC ( F, length 0
inline constexpr int32_t kMaxSkipCount = 0x7FFF;    // bands one ESC ( e covers

// 1B 28 46 00 00: opens every band chunk and hold chunk.
extern const uint8_t kBandChunkHeader[kBandChunkHeaderSize];

// The eleven plane selections (ESC ( L), in this order.
enum Selection : int16_t {
    kSelectK,         // "K"
    kSelectLightK,    // "k"
    kSelectKk,        // "Kk"
    kSelectCMY,       // "CMY"
    kSelectCMYK,      // "CMYK"
    kSelectCMYk,      // "CMYk"
    kSelectCMYKk,     // "CMYKk"
    kSelectCMYkH,     // "CMYkH"
    kSelectCMYcmk,    // "CMYcmk"
    kSelectcmYkHh,    // "cmYkHh"
    kSelectTenPlane,  // "CMYkH" then the same letters with bit 7 set
    kSelectionCount
};

struct CommandBytes {
    const uint8_t* bytes;
    int16_t length;
};

// The complete ESC ( L command of a selection; {nullptr, 0} for a value
// outside the enumeration.
CommandBytes selectionCommand(Selection selection);

// Writes the 12-byte page header (ESC ( I 01, ESC ( J <bandHeight low byte>)
// at dst; returns 12.
int16_t writePageHeader(int16_t bandHeight, uint8_t* dst);

// Writes ESC ( e with `count` (1 .. 0x7FFF, high byte first) at dst and
// returns 7; a count of 0 or less writes nothing and returns 0.  Built in
// place: no shared writable template.
int16_t buildSkipCommand(int16_t count, uint8_t* dst);

}  // namespace inkband
