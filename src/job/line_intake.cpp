// Line intake: one raster line in, the pieces it completes out.
//
// Everything that can refuse the line is decided before anything is
// emitted: descriptors, line number, the room the line needs in its plane's
// band chunk (with the rest of its band reserved, so the page end always
// fits), and the command chunks and piece slots the call will use.  A
// refused line leaves the job as it was.
#include <cstring>

#include "job/band_emit.h"
#include "job/job_operations.h"
#include "job/line_coding.h"
#include "job/output_reserve.h"
#include "job/plane_prepare.h"
#include "mode/mode_tables.h"

using namespace inkband;

namespace {

// How the line relates to the band being assembled, as lastOp keeps it.
LastOp relationOf(const OutputJob* job) {
    const PlaneState& first = job->planes[0];
    if (first.current.band == first.pending.band) return kLastOpSameBand;
    if (first.pending.lineInBand == -1) return kLastOpFirstLine;
    return kLastOpNewBand;
}

bool descriptorsValid(const OutputJob* job, const RasterLine* line) {
    for (int i = 0; i < job->sourcePlaneCount; ++i)
        if (!planeLineIsValid(line->planes[i], job->lineWidth)) return false;
    return true;
}

// True when every plane's chunk has room for what this line adds: the blank
// lines it skips, the line itself and one byte for each later line of its
// band.
bool lineFits(const OutputJob* job, LastOp relation) {
    if (job->bandsAlwaysFit) return true;
    for (int i = 0; i < job->planeCount; ++i) {
        const PlaneState& plane = job->planes[i];
        int64_t later = job->bandHeight - 1 - plane.current.lineInBand;
        int64_t used;
        int64_t skipped;
        if (relation == kLastOpNewBand) {
            int64_t completion = job->bandHeight - 1 - plane.pending.lineInBand;
            if (chunkLength(plane.chain) + (completion > 0 ? completion : 0) > plane.chain.capacity)
                return false;
            used = job->holdChunks[i].savedLength;
            skipped = plane.current.lineInBand;
        } else {
            used = chunkLength(plane.chain);
            int64_t previous = relation == kLastOpFirstLine ? -1 : plane.pending.lineInBand;
            skipped = plane.current.lineInBand - 1 - previous;
        }
        if (skipped < 0) skipped = 0;
        int64_t room = plane.chain.capacity - used - skipped - later;
        // The worst-case size settles almost every line without a pass over
        // its bytes; only a line that might not fit is sized exactly.
        if (encodedLineBound(plane.current) <= room) continue;
        if (encodedLineSize(plane.current, job->planeLines[i].data) > room) return false;
    }
    return true;
}

// Reserves the command chunks and piece slots the line will use.
int16_t reserveForLine(OutputJob* job, LastOp relation) {
    int64_t commands = job->headerState != kHeaderSent ? 1 : 0;
    int64_t planes = 0;
    if (relation == kLastOpNewBand) {
        int32_t lengths[kMaxPlanes];
        completedBandLengths(job, lengths);
        const PlaneState& first = job->planes[0];
        const int64_t limit = bandLimit(job, first.current.band);
        if (first.pending.band < limit) {
            EmitCount band = countBandPieces(job, lengths);
            commands += band.commandPieces;
            planes += band.planePieces;
        }
        commands += skipCommandCount(first.current.band - limit);
    }
    return reserveOutput(job, commands, commands + planes);
}

}  // namespace

int16_t inkband::produceLine(OutputJob* job, RasterLine* line, PieceList** out,
                             SequenceVerdict step) {
    beginProducingCall(job);
    if (line == nullptr || out == nullptr || line->line < 0 ||
        (job->lineCommitted && line->line <= job->lastLine) || !job->pageBuffers ||
        job->bandHeight <= 0)
        return INKBAND_REFUSED;
    // The split rewrites the caller's planes: their descriptors are checked
    // before it starts.  The ordinary preparation checks each plane as it
    // comes to it.
    const bool split = isSplitClass(job->modeClass);
    if (split && !descriptorsValid(job, line)) return INKBAND_REFUSED;

    // Prepare the planes; their current line states are put back if the
    // line is refused.
    LineExtent saved[kMaxPlanes];
    for (int i = 0; i < job->planeCount; ++i) saved[i] = job->planes[i].current;
    if (split) {
        SplitPlanes(job, line);
    } else if (!PreparePlanes(job, line)) {
        for (int i = 0; i < job->planeCount; ++i) job->planes[i].current = saved[i];
        return INKBAND_REFUSED;
    }
    job->pieceList->count = 0;
    const LastOp relation = relationOf(job);
    const int16_t status =
        lineFits(job, relation) ? reserveForLine(job, relation) : INKBAND_NO_MEMORY;
    if (status != INKBAND_OK) {
        for (int i = 0; i < job->planeCount; ++i) job->planes[i].current = saved[i];
        return status;
    }

    if (job->headerState != kHeaderSent) {
        emitPageHeader(job);
        job->headerState = kHeaderSent;
    }
    job->lastOp = relation;
    switch (relation) {
        case kLastOpSameBand:
            appendToBand(job);
            break;
        case kLastOpFirstLine:
            // The bands above the page's first line are blank.
            job->pendingSkip = job->planes[0].current.band;
            for (int i = 0; i < job->planeCount; ++i) {
                job->planes[i].pending = job->planes[i].current;
                job->planes[i].pending.lineInBand = -1;
            }
            appendToBand(job);
            break;
        default:
            openNewBand(job);
            break;
    }
    job->producedLine = line->line;
    job->bareProduce = false;
    job->pieceList->pieces = job->pieceArray;
    *out = job->pieceList;
    sequenceFollow(&job->sequence, step);
    return INKBAND_OK;
}
