// Page end and completion: a flush ends a page, a form feed ends a page of
// the alternate sequence, and the completion of any producing call
// acknowledges its pieces and commits what that call prepared.
#include <cstring>

#include "codec/commands.h"
#include "job/band_emit.h"
#include "job/job_operations.h"
#include "job/output_reserve.h"
#include "job/page_buffers.h"

using namespace inkband;

namespace {

// Pieces of the band being assembled once it is completed, for reserving.
EmitCount pendingBandPieces(const OutputJob* job) {
    int32_t lengths[kMaxPlanes];
    completedBandLengths(job, lengths);
    return countBandPieces(job, lengths);
}

// Advances every plane's band number once, saturating: the last possible
// band (INT32_MAX) is emitted like any other.
void advanceBands(OutputJob* job) {
    for (int i = 0; i < job->planeCount; ++i)
        if (job->planes[i].pending.band < INT32_MAX) ++job->planes[i].pending.band;
}

// Moves each plane's held first line of the new band into its band chunk.
void moveHeldLines(OutputJob* job) {
    const PlaneState& first = job->planes[0];
    if (first.pending.band < bandLimit(job, first.current.band)) {
        for (int i = 0; i < job->planeCount; ++i) emptyBandChunk(&job->planes[i].chain);
        advanceBands(job);
    }
    for (int i = 0; i < job->planeCount; ++i) {
        DataChunk& hold = job->holdChunks[i];
        DataChunk& band = job->planes[i].chain;
        hold.start = hold.buffer;
        hold.writePos = hold.buffer + hold.savedLength;
        int32_t length = chunkLength(hold);
        std::memmove(band.start, hold.start, static_cast<std::size_t>(length));
        band.writePos = band.start + length;
        emptyBandChunk(&hold);
        hold.savedLength = chunkLength(hold);
        job->planes[i].pending = job->planes[i].current;
    }
}

}  // namespace

namespace inkband {

int16_t flushPage(OutputJob* job, PieceList** out) {
    if (out == nullptr) return INKBAND_REFUSED;
    beginProducingCall(job);
    const bool alternate = job->altSequence;
    const bool buffers = job->pageBuffers;
    if (alternate && buffers) {
        // The alternate sequence ends its pages with form feeds; a flush
        // with the page buffers in place emits nothing.  Ordinary jobs whose
        // page asked for the alternate sequence stay on the page; a job in
        // the second table ends here, and its OutputComplete releases the
        // buffers.
        job->pieceList->count = 0;
        job->lastOp = kLastOpFlush;
        *out = job->pieceList;
        if (job->sequence->table == kTableAlternate) {
            job->bareProduce = false;
            sequenceStep(&job->sequence, kOpFlush);
        }
        return INKBAND_OK;
    }

    const bool header = alternate || job->headerState != kHeaderSent;
    const bool formFeed = alternate && !buffers;
    EmitCount band = buffers ? pendingBandPieces(job) : EmitCount{0, 0};
    int64_t commands = (header ? 1 : 0) + band.commandPieces + (formFeed ? 1 : 0);
    const int16_t status = reserveOutput(job, commands, commands + band.planePieces);
    if (status != INKBAND_OK) return status;

    job->pieceList->count = 0;
    job->lastOp = kLastOpFlush;
    if (header) emitPageHeader(job);
    if (buffers) {
        completeBands(job);
        // One chunk per plane: the band being assembled is emitted once.
        // With no planes emitBand counts the band as blank.
        for (int pass = 0; pass < job->chunksPerPlane; ++pass) {
            emitBand(job);
            advanceBands(job);
        }
    }
    if (formFeed) emitCommand(job, &kFormFeed, 1);
    job->pieceList->pieces = job->pieceArray;
    *out = job->pieceList;
    job->bareProduce = false;
    sequenceStep(&job->sequence, kOpFlush);
    return INKBAND_OK;
}

int16_t feedForm(OutputJob* job, PieceList** out, int32_t formLength) {
    if (!job->altSequence || out == nullptr || !job->pageBuffers) return INKBAND_REFUSED;
    beginProducingCall(job);

    // The band being assembled goes out only when the form length in bands
    // lies beyond it.
    const bool emit = job->planes[0].pending.band < bandLimit(job, formLength / job->bandHeight);
    EmitCount band = emit ? pendingBandPieces(job) : EmitCount{0, 0};
    const int16_t status =
        reserveOutput(job, 1 + band.commandPieces, 1 + band.commandPieces + band.planePieces);
    if (status != INKBAND_OK) return status;

    job->pieceList->count = 0;
    emitPageHeader(job);
    job->lastOp = kLastOpFormFeed;
    job->formLength = formLength;
    completeBands(job);
    if (emit) emitBand(job);
    job->pieceList->pieces = job->pieceArray;
    *out = job->pieceList;
    job->bareProduce = false;
    sequenceStep(&job->sequence, kOpFormFeed);
    return INKBAND_OK;
}

int16_t completeCall(OutputJob* job, SequenceVerdict step) {
    if (job->bareProduce) {
        // The step being acknowledged was a bare OutputProduce: nothing of
        // an earlier call is repeated.
        job->bareProduce = false;
    } else {
        switch (job->lastOp) {
            case kLastOpSameBand:
            case kLastOpFirstLine:
                for (int i = 0; i < job->planeCount; ++i)
                    job->planes[i].pending = job->planes[i].current;
                break;
            case kLastOpNewBand:
                moveHeldLines(job);
                break;
            case kLastOpFlush:
                releasePageBuffers(job);
                break;
            case kLastOpFormFeed: {
                const int64_t limit = bandLimit(job, job->formLength / job->bandHeight);
                if (job->planes[0].pending.band < limit) {
                    for (int i = 0; i < job->planeCount; ++i) emptyBandChunk(&job->planes[i].chain);
                    advanceBands(job);
                }
                break;
            }
            default:
                break;
        }
        if (job->lastOp == kLastOpSameBand || job->lastOp == kLastOpFirstLine ||
            job->lastOp == kLastOpNewBand) {
            job->lineCommitted = true;
            job->lastLine = job->producedLine;
        }
    }
    emptyCommandChain(job);
    sequenceFollow(&job->sequence, step);
    return INKBAND_OK;
}

}  // namespace inkband
