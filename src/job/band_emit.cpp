#include "job/band_emit.h"

#include <cstring>

#include "job/line_coding.h"

namespace inkband {

// By mode class: the K plane, the first k plane, and the full plane list.
// Class 0 has no planes; class 1's single plane is K, so it only ever
// selects K alone.  In the ten-plane list the k with bit 7 set (plane 8) is
// an ordinary plane.
const BandPlaneRoles kBandPlaneRoles[11] = {
    /* 0 */ {-1, -1, -1},
    /* 1 */ {0, -1, -1},
    /* 2 */ {-1, -1, kSelectCMY},
    /* 3 */ {3, -1, kSelectCMYK},
    /* 4 */ {-1, 3, kSelectCMYk},
    /* 5 */ {3, 4, kSelectCMYKk},
    /* 6 */ {-1, 5, kSelectCMYcmk},
    /* 7 */ {-1, 3, kSelectTenPlane},
    /* 8 */ {-1, 3, kSelectCMYkH},
    /* 9 */ {-1, 3, kSelectcmYkHh},
    /* 10 */ {-1, 3, kSelectTenPlane},
};

namespace {

const BandPlaneRoles& rolesOf(const OutputJob* job) {
    int16_t mode = job->modeClass;
    return kBandPlaneRoles[mode >= 0 && mode <= 10 ? mode : 0];
}

// A plane is blank when every line of its band is the bare end-of-line byte
// (length == bandHeight), or its band holds nothing at all.
bool planeHasData(int32_t length, int16_t bandHeight) {
    return length != bandHeight && length != 0;
}

int64_t planePiecesFor(BandSelection selection, int16_t planeCount) {
    switch (selection) {
        case kSelectionBlack:
        case kSelectionLightBlack:
            return 1;
        case kSelectionBothBlack:
            return 2;
        case kSelectionFull:
            return planeCount;
        default:
            return 0;
    }
}

}  // namespace

void emptyBandChunk(DataChunk* chunk) {
    chunk->writePos = chunk->start;
    chunk->start[3] = 0;
    chunk->start[4] = 0;
    chunk->writePos = chunk->start + kBandChunkHeaderSize;
}

BandSelection bandSelection(const OutputJob* job, const int32_t* lengths) {
    const BandPlaneRoles& roles = rolesOf(job);
    BandSelection selection = kSelectionNone;
    for (int i = 0; i < job->planeCount; ++i) {
        if (!planeHasData(lengths[i], job->bandHeight)) continue;
        if (i == roles.blackIndex) {
            if (selection == kSelectionNone)
                selection = kSelectionBlack;
            else if (selection == kSelectionLightBlack)
                selection = kSelectionBothBlack;
        } else if (i == roles.lightBlackIndex) {
            if (selection == kSelectionNone)
                selection = kSelectionLightBlack;
            else if (selection == kSelectionBlack)
                selection = kSelectionBothBlack;
        } else {
            selection = kSelectionFull;
        }
    }
    return selection;
}

EmitCount countBandPieces(const OutputJob* job, const int32_t* lengths) {
    const BandSelection selection = bandSelection(job, lengths);
    if (selection == kSelectionNone) return {0, 0};
    int64_t commands = skipCommandCount(job->pendingSkip);
    if (selection != job->lastColorSet) ++commands;
    return {commands, planePiecesFor(selection, job->planeCount)};
}

void completedBandLengths(const OutputJob* job, int32_t* lengths) {
    for (int i = 0; i < job->planeCount; ++i) {
        const PlaneState& plane = job->planes[i];
        int32_t missing = job->bandHeight - 1 - plane.pending.lineInBand;
        lengths[i] = bandLength(plane.chain) + (missing > 0 ? missing : 0);
    }
}

void completeBands(OutputJob* job) {
    for (int i = 0; i < job->planeCount; ++i) {
        PlaneState& plane = job->planes[i];
        while (plane.pending.lineInBand + 1 <= job->bandHeight - 1) {
            appendBlankLine(&plane.chain);
            ++plane.pending.lineInBand;
        }
        plane.pending.lineInBand = static_cast<int16_t>(job->bandHeight - 1);
    }
}

// The free command chunk for the next piece.  Chunks are taken in chain
// order and every chunk before the cursor holds a piece of this call, so the
// search starts at the cursor: a call with thousands of skip commands costs
// one step per command, not a walk from the head each time.
static DataChunk* nextCommandChunk(OutputJob* job) {
    DataChunk* chunk = takeFreeChunk(job->commandCursor);
    job->commandCursor = chunk;
    return chunk;
}

void emitCommand(OutputJob* job, const uint8_t* bytes, int16_t length) {
    DataChunk* chunk = nextCommandChunk(job);
    std::memcpy(chunk->writePos, bytes, static_cast<std::size_t>(length));
    chunk->writePos += length;
    addPiece(job->currentList, chunk);
}

void emitSkip(OutputJob* job, int64_t count) {
    while (count > 0) {
        int16_t bands = static_cast<int16_t>(count > kMaxSkipCount ? kMaxSkipCount : count);
        DataChunk* chunk = nextCommandChunk(job);
        chunk->writePos += buildSkipCommand(bands, chunk->writePos);
        addPiece(job->currentList, chunk);
        count -= bands;
    }
}

void emitBand(OutputJob* job) {
    const BandPlaneRoles& roles = rolesOf(job);
    int32_t lengths[kMaxPlanes];
    for (int i = 0; i < job->planeCount; ++i) {
        lengths[i] = bandLength(job->planes[i].chain);
        if (!planeHasData(lengths[i], job->bandHeight)) emptyBandChunk(&job->planes[i].chain);
    }
    const BandSelection selection = bandSelection(job, lengths);
    if (selection == kSelectionNone) {
        // Counted, never sent unless a band with data follows.
        if (job->pendingSkip < INT32_MAX) ++job->pendingSkip;
        return;
    }
    if (job->pendingSkip > 0) {
        emitSkip(job, job->pendingSkip);
        job->pendingSkip = 0;
    }
    if (selection != job->lastColorSet) {
        Selection command = kSelectK;
        switch (selection) {
            case kSelectionBlack:
                command = kSelectK;
                break;
            case kSelectionLightBlack:
                command = kSelectLightK;
                break;
            case kSelectionBothBlack:
                command = kSelectKk;
                break;
            default:
                command = static_cast<Selection>(roles.fullList);
                break;
        }
        CommandBytes bytes = selectionCommand(command);
        emitCommand(job, bytes.bytes, bytes.length);
    }
    job->lastColorSet = selection;

    PieceList* list = job->currentList;
    switch (selection) {
        case kSelectionBlack:
            addPiece(list, &job->planes[roles.blackIndex].chain);
            break;
        case kSelectionLightBlack:
            addPiece(list, &job->planes[roles.lightBlackIndex].chain);
            break;
        case kSelectionBothBlack:
            addPiece(list, &job->planes[roles.blackIndex].chain);
            addPiece(list, &job->planes[roles.lightBlackIndex].chain);
            break;
        default:
            for (int i = 0; i < job->planeCount; ++i) addPiece(list, &job->planes[i].chain);
            break;
    }
}

void appendToBand(OutputJob* job) {
    for (int i = 0; i < job->planeCount; ++i) {
        PlaneState& plane = job->planes[i];
        // Lines of the band the caller left out become blank lines.
        while (plane.pending.lineInBand < plane.current.lineInBand - 1) {
            appendBlankLine(&plane.chain);
            ++plane.pending.lineInBand;
        }
        encodeLine(plane.current, &plane.chain, job->planeLines[i].data);
    }
}

void openNewBand(OutputJob* job) {
    // The new band starts in the hold chunks: the band chunks' bytes go to
    // the caller with this call and stay untouched until OutputComplete.
    for (int i = 0; i < job->planeCount; ++i) {
        DataChunk& hold = job->holdChunks[i];
        hold.start = hold.buffer;
        hold.writePos = hold.buffer + hold.savedLength;
    }
    for (int i = 0; i < job->planeCount; ++i) {
        PlaneState& plane = job->planes[i];
        DataChunk& hold = job->holdChunks[i];
        while (plane.pending.lineInBand + 1 <= job->bandHeight - 1) {
            appendBlankLine(&plane.chain);
            ++plane.pending.lineInBand;
        }
        plane.pending.lineInBand = static_cast<int16_t>(job->bandHeight - 1);
        for (int16_t line = 0; line < plane.current.lineInBand; ++line) appendBlankLine(&hold);
        encodeLine(plane.current, &hold, job->planeLines[i].data);
    }
    for (int i = 0; i < job->planeCount; ++i)
        job->holdChunks[i].savedLength = chunkLength(job->holdChunks[i]);

    // With one chunk per plane the old band is emitted once, unless the new
    // line lies in an earlier band.
    const int64_t newBand = job->planes[0].current.band;
    const int64_t limit = bandLimit(job, newBand);
    if (job->planes[0].pending.band < limit) emitBand(job);
    int64_t gap = newBand - limit;
    if (gap > 0) emitSkip(job, gap);
}

}  // namespace inkband
