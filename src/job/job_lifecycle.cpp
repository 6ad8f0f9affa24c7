// Creating a job, the producing step without data, and destroying the job;
// the page buffers and the command chain between calls.
#include "job/job_operations.h"
#include "job/page_buffers.h"
#include "platform/heap.h"

using namespace inkband;

namespace inkband {

void releasePageBuffers(OutputJob* job) {
    for (int i = 0; i < kMaxPlanes; ++i) {
        releaseChain(&job->planes[i].chain);
        releaseChain(&job->holdChunks[i]);
        releaseSlot(&job->lineBuffers[i]);
        job->planeLines[i].data = nullptr;
    }
    job->pageBuffers = false;
}

void emptyCommandChain(OutputJob* job) {
    // Chunks behind the first stay for the next calls, so a line that sends
    // a skip and a plane selection allocates nothing; beyond the few an
    // ordinary call uses (a long skip may take thousands) they are released.
    constexpr int kKeptCommandChunks = 8;
    DataChunk* chunk = &job->commandChain;
    for (int kept = 0;; ++kept) {
        chunk->savedLength = 0;
        chunk->start = chunk->buffer;
        chunk->writePos = chunk->buffer;
        const DataChunk* following = chunk->next;
        // The rest goes, a record left without a buffer included.
        if (following != nullptr && (kept == kKeptCommandChunks || following->buffer == nullptr))
            releaseChunksAfter(chunk);
        chunk->walkNext = chunk->next;
        if (chunk->next == nullptr) break;
        chunk = chunk->next;
    }
}

}  // namespace inkband

namespace {

// Releases whatever a job record holds, then the record itself.
void releaseJob(OutputJob** slot) {
    OutputJob* job = *slot;
    releaseSlot(&job->sequence);
    releasePageBuffers(job);
    releaseChain(&job->commandChain);
    releaseSlot(&job->pieceArray);
    releaseSlot(&job->pieceList);
    releaseSlot(slot);
}

}  // namespace

namespace inkband {

int32_t openJob(OutputJob** slot) {
    *slot = nullptr;
    OutputJob* job = heapNew<OutputJob>();
    if (job == nullptr) return INKBAND_OPEN_FAILED;
    *slot = job;  // from here on releaseJob can undo a partial open

    // Allocated in this order; the first failure undoes everything so far.
    job->pieceList = heapNew<PieceList>();
    job->currentList = job->pieceList;
    bool ok = job->pieceList != nullptr;
    if (ok) {
        job->pieceArray = static_cast<Piece*>(heapAllocate(sizeof(Piece) * kInitialPieceCapacity));
        job->pieceCapacity = kInitialPieceCapacity;
        ok = job->pieceArray != nullptr;
    }
    ok = ok && initChunk(&job->commandChain, kCommandChunkSize);
    if (ok) {
        job->sequence = heapNew<SequenceCell>();
        ok = job->sequence != nullptr;
    }
    if (!ok) {
        releaseJob(slot);
        return INKBAND_OPEN_FAILED;
    }
    job->sequence->state = kStateOpened;
    job->sequence->table = kTableOrdinary;
    return INKBAND_OPEN_OK;
}

int16_t produceNothing(OutputJob* job) {
    sequenceStep(&job->sequence, kOpProduce);
    job->bareProduce = true;  // its OutputComplete commits nothing
    return INKBAND_OK;
}

void closeJob(OutputJob** slot) { releaseJob(slot); }

}  // namespace inkband
