#include "codec/data_chunk.h"

#include "platform/heap.h"

namespace inkband {

DataChunk* appendChunk(DataChunk* tail, int32_t size) {
    tail->next = heapNew<DataChunk>();
    if (tail->next == nullptr) return nullptr;
    DataChunk* chunk = tail->next;
    tail->walkNext = chunk;
    if (size <= 0) return nullptr;
    chunk->buffer = static_cast<uint8_t*>(heapAllocate(static_cast<std::size_t>(size)));
    if (chunk->buffer == nullptr) return nullptr;
    chunk->walkNext = nullptr;
    chunk->savedLength = 0;
    chunk->start = chunk->buffer;
    chunk->writePos = chunk->buffer;
    chunk->capacity = size;
    return chunk;
}

DataChunk* takeFreeChunk(DataChunk* head) {
    DataChunk* chunk = head;
    for (;;) {
        // A record left without a buffer by a failed append is never handed
        // out: it would be written through a null pointer.
        if (chunk->buffer != nullptr && chunk->writePos == chunk->start) return chunk;
        if (chunk->next == nullptr) return appendChunk(chunk, kCommandChunkSize);
        chunk = chunk->walkNext != nullptr ? chunk->walkNext : chunk->next;
    }
}

void releaseChunksAfter(DataChunk* chunk) {
    DataChunk* following = chunk->next;
    while (following != nullptr) {
        DataChunk* after = following->next;
        releaseSlot(&following->buffer);
        releaseSlot(&following);
        following = after;
    }
    chunk->next = nullptr;
    chunk->walkNext = nullptr;
}

void releaseChain(DataChunk* head) {
    releaseSlot(&head->buffer);
    head->start = nullptr;
    releaseChunksAfter(head);
    head->writePos = nullptr;
    head->savedLength = 0;
}

void addPiece(PieceList* list, const DataChunk* chunk) {
    Piece& piece = list->appendBase[list->count];
    piece.data = chunk->buffer;
    piece.length = static_cast<uint16_t>(chunkLength(*chunk));
    ++list->count;
}

bool initChunk(DataChunk* head, int32_t size) {
    *head = DataChunk{};
    head->buffer = static_cast<uint8_t*>(heapAllocate(static_cast<std::size_t>(size)));
    if (head->buffer == nullptr) return false;
    head->capacity = size;
    head->start = head->buffer;
    head->writePos = head->buffer;
    return true;
}

}  // namespace inkband
