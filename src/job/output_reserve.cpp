#include "job/output_reserve.h"

#include <cstring>

#include "job/band_emit.h"
#include "platform/heap.h"

namespace inkband {

namespace {

int64_t freeCommandChunks(const DataChunk& head, const DataChunk** tail) {
    int64_t free = 0;
    const DataChunk* chunk = &head;
    for (;;) {
        if (chunk->buffer != nullptr && chunk->writePos == chunk->start) ++free;
        if (chunk->next == nullptr) break;
        chunk = chunk->next;
    }
    *tail = chunk;
    return free;
}

bool growPieceArray(OutputJob* job, int64_t entries) {
    Piece* grown =
        static_cast<Piece*>(heapAllocate(sizeof(Piece) * static_cast<std::size_t>(entries)));
    if (grown == nullptr) return false;
    PieceList* list = job->pieceList;
    if (list->count > 0) std::memcpy(grown, job->pieceArray, sizeof(Piece) * list->count);
    // Every name of the array moves to the new block before the old one goes.
    if (list->pieces == job->pieceArray) list->pieces = grown;
    if (list->appendBase == job->pieceArray) list->appendBase = grown;
    releaseSlot(&job->pieceArray);
    job->pieceArray = grown;
    job->pieceCapacity = static_cast<int16_t>(entries);
    return true;
}

}  // namespace

int16_t reserveOutputChunks(OutputJob* job, int64_t commandPieces, int64_t totalPieces) {
    if (totalPieces > kMaxPiecesPerCall) return INKBAND_REFUSED;
    if (totalPieces > job->pieceCapacity && !growPieceArray(job, totalPieces))
        return INKBAND_NO_MEMORY;
    if (commandPieces <= 0) return INKBAND_OK;
    const DataChunk* tail = nullptr;
    int64_t free = freeCommandChunks(job->commandChain, &tail);
    DataChunk* last = const_cast<DataChunk*>(tail);
    while (free < commandPieces) {
        DataChunk* added = appendChunk(last, kCommandChunkSize);
        if (last->next != nullptr) last = last->next;
        if (added == nullptr) return INKBAND_NO_MEMORY;
        ++free;
    }
    return INKBAND_OK;
}

void beginProducingCall(OutputJob* job) {
    job->currentList = job->pieceList;
    job->commandCursor = &job->commandChain;
    job->pieceList->appendBase = job->pieceArray;
}

void emitPageHeader(OutputJob* job) {
    // Before its first page a job has no band height; only a flush of the
    // alternate sequence sends a header then, and that sequence bands by 8.
    constexpr int16_t kAlternateBandHeight = 8;
    uint8_t header[kPageHeaderSize];
    writePageHeader(job->bandHeight > 0 ? job->bandHeight : kAlternateBandHeight, header);
    emitCommand(job, header, kPageHeaderSize);
    job->pieceList->pieces = job->pieceArray;
}

}  // namespace inkband
