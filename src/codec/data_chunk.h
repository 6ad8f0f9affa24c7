// Chunk chains and the piece list.  Every byte handed to the caller lives in
// a DataChunk; a producing call returns (pointer, length) pieces into them.
// A chunk's content is what lies between its start and its write position,
// and it stays in place from one call to the next: every call that writes a
// chunk leaves it at the content the next call builds on (a refused call
// writes nothing), so no call has to put a chain back before using it.
#pragma once

#include <cstdint>

#include "inkband/inkband.h"

namespace inkband {

inline constexpr int32_t kCommandChunkSize = 80;
inline constexpr int32_t kBandChunkSize = 62464;  // 0xF400, header included
inline constexpr int16_t kInitialPieceCapacity = 108;

struct DataChunk {
    uint8_t* start;       // first content byte; == buffer while allocated,
                          // null once released
    DataChunk* walkNext;  // link followed when walking the chain
    uint8_t* writePos;    // the next byte goes here
    int32_t capacity;     // size of buffer in bytes
    uint8_t* buffer;      // storage, owned by the chunk
    DataChunk* next;      // owning link to the following chunk
    int32_t savedLength;  // hold chunks: content length the band routines
                          // restore; 0 in every other chunk
};

// Content length of a chunk: writePos - start.
inline int32_t chunkLength(const DataChunk& chunk) {
    return static_cast<int32_t>(chunk.writePos - chunk.start);
}

// Appends a new chunk of `size` bytes behind `tail`; null when the record or
// its buffer cannot be allocated (a record without buffer stays linked and
// is released with the chain).
DataChunk* appendChunk(DataChunk* tail, int32_t size);

// The first empty chunk of the chain, appending an 80-byte chunk at the tail
// when none is empty; null when that allocation fails.
DataChunk* takeFreeChunk(DataChunk* head);

// Releases every chunk after `chunk`, with its buffer, and ends the chain
// at `chunk`.
void releaseChunksAfter(DataChunk* chunk);

// Releases the head's buffer and every following chunk with its buffer; the
// head record stays.  Safe on a chain already released.
void releaseChain(DataChunk* head);

// Appends one piece (the chunk's buffer, its content length modulo 65536)
// at entry `count` of the list's appendBase array.  The caller guarantees
// room in the array.
void addPiece(PieceList* list, const DataChunk* chunk);

// Sets up `head` as a chain of one chunk over a freshly allocated buffer of
// `size` bytes; false (head left zero) when the buffer cannot be had.
bool initChunk(DataChunk* head, int32_t size);

}  // namespace inkband
