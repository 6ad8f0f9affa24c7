// Setting up a job (its settings) and every page (print mode and page
// buffers).
#include <cstddef>
#include <cstring>

#include "codec/commands.h"
#include "codec/line_encoder.h"
#include "job/job_operations.h"
#include "job/page_buffers.h"
#include "mode/mode_tables.h"
#include "platform/heap.h"

using namespace inkband;

namespace {

// The eight settings fields the module reads, taken as 16-bit little-endian
// values from their byte offsets; every other byte is ignored.
struct SettingsFields {
    int16_t modeColumnCode;
    int16_t modeOptionA;
    int16_t resolution;
    int16_t altSequenceRequest;
    int16_t modeRowCode;
    int16_t modeOptionB;
    int16_t modeOptionC;
    int16_t lineWidth;
};

int16_t readField(const JobSettings* settings, std::size_t offset) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(settings);
    return static_cast<int16_t>(static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8));
}

SettingsFields readSettings(const JobSettings* settings) {
    return {
        readField(settings, offsetof(JobSettings, modeColumnCode)),
        readField(settings, offsetof(JobSettings, modeOptionA)),
        readField(settings, offsetof(JobSettings, resolution)),
        readField(settings, offsetof(JobSettings, altSequenceRequest)),
        readField(settings, offsetof(JobSettings, modeRowCode)),
        readField(settings, offsetof(JobSettings, modeOptionB)),
        readField(settings, offsetof(JobSettings, modeOptionC)),
        readField(settings, offsetof(JobSettings, lineWidth)),
    };
}

// Bits per pixel -> pixelShift; 0 for a depth no plane may have.
constexpr int16_t kShiftOfDepth[9] = {0, 3, 2, 0, 1, 0, 0, 0, 0};

constexpr int16_t kLinesPerBand300 = 8;
constexpr int16_t kLinesPerBand600 = 16;

// The print mode of a page as the job stores it.  Everything beyond the
// class's planes is 0, so two modes compare field by field.
struct PageMode {
    int16_t modeClass;
    int16_t planeCount;
    int16_t sourcePlaneCount;
    int16_t pixelShift[kMaxPlanes];
    bool ternaryFlag[kMaxPlanes];
    int16_t outputShift[kMaxPlanes];
};

// Resolves the page's mode from the job's codes and this page's options.
// False when a source plane has a depth other than 1, 2 or 4 bits.
bool resolvePageMode(const OutputJob* job, const SettingsFields& fields, PageMode* mode) {
    *mode = PageMode{};
    const ResolvedMode resolved =
        ResolveMode(job->modeRowCode, job->modeColumnCode, fields.modeOptionA, fields.modeOptionB,
                    fields.modeOptionC);
    mode->modeClass = resolved.modeClass;
    mode->planeCount = resolved.planeCount;
    mode->sourcePlaneCount = resolved.sourcePlaneCount;
    for (int16_t i = 0; i < mode->sourcePlaneCount; ++i) {
        mode->ternaryFlag[i] = resolved.planeTernary[i];
        const int16_t depth = resolved.planeDepth[i];
        mode->pixelShift[i] = depth >= 0 && depth <= 8 ? kShiftOfDepth[depth] : 0;
        if (mode->pixelShift[i] == 0) return false;
    }
    // Every output plane gets its own shift: in the ten-plane classes from
    // the split, elsewhere that of its source plane.
    const bool split = isSplitClass(mode->modeClass);
    for (int16_t i = 0; i < mode->planeCount; ++i)
        mode->outputShift[i] = split ? SplitShiftTable[i] : mode->pixelShift[i];
    return true;
}

// True when the job's page buffers were made for this mode: same class and
// every source plane at the same depth and packing.
bool sameMode(const OutputJob* job, const PageMode& mode) {
    if (job->modeClass != mode.modeClass) return false;
    for (int16_t i = 0; i < mode.sourcePlaneCount; ++i) {
        const PlaneState& plane = job->planes[i];
        if (plane.pixelShift != mode.pixelShift[i] || plane.ternaryFlag != mode.ternaryFlag[i])
            return false;
    }
    return true;
}

void storePageMode(OutputJob* job, const PageMode& mode) {
    job->modeClass = mode.modeClass;
    job->planeCount = mode.planeCount;
    job->sourcePlaneCount = mode.sourcePlaneCount;
    for (int i = 0; i < kMaxPlanes; ++i) {
        job->planes[i].pixelShift = mode.pixelShift[i];
        job->planes[i].ternaryFlag = mode.ternaryFlag[i];
        job->planes[i].outputShift = mode.outputShift[i];
    }
}

// Bytes of one line at 8 >> shift bits per pixel plus one spare byte; 0 or
// less means no buffer (a negative line width).  The line intake refuses
// every plane line wider than lineWidth, so such a job never writes one.
int32_t lineBufferSize(int16_t lineWidth, int16_t shift) {
    int32_t n = (static_cast<int32_t>(lineWidth) * (8 >> shift) + 7) / 8;
    return n + 1;
}

// Puts a bare ESC ( F header (length 0) in the chunk as its whole content,
// from the start of its buffer (band emission empties a chunk in place).
void startBandChunk(DataChunk* chunk) {
    if (chunk->buffer == nullptr) return;  // released: nothing to write into
    chunk->start = chunk->buffer;
    std::memcpy(chunk->start, kBandChunkHeader, kBandChunkHeaderSize);
    chunk->writePos = chunk->start + kBandChunkHeaderSize;
}

// A hold chunk starts the same way, and the length its band routines
// restore is that bare header.
void startHoldChunk(DataChunk* chunk) {
    if (chunk->buffer == nullptr) return;
    startBandChunk(chunk);
    chunk->savedLength = kBandChunkHeaderSize;
}

void resetLineState(PlaneState* plane) {
    plane->pending = kLineExtentStart;
    plane->current = plane->pending;
}

// Allocates the line buffers, band chunks and hold chunks of the job's
// planes.  False at the first allocation that fails; the caller releases
// what was made.
bool allocatePageBuffers(OutputJob* job) {
    for (int i = 0; i < job->planeCount; ++i) {
        int32_t size = lineBufferSize(job->lineWidth, job->planes[i].outputShift);
        if (size < 1) continue;  // no line buffer
        job->lineBuffers[i] = static_cast<uint8_t*>(heapAllocate(static_cast<std::size_t>(size)));
        if (job->lineBuffers[i] == nullptr) return false;
        // The split writes its output planes here; the ordinary preparation
        // picks a line's data afresh for every line.
        job->planeLines[i].data = job->lineBuffers[i];
    }
    job->chunksPerPlane = 1;
    for (int i = 0; i < job->planeCount; ++i) {
        PlaneState& plane = job->planes[i];
        if (!initChunk(&plane.chain, kBandChunkSize)) return false;
        startBandChunk(&plane.chain);
        resetLineState(&plane);
        if (!initChunk(&job->holdChunks[i], kBandChunkSize)) return false;
        startHoldChunk(&job->holdChunks[i]);
    }
    return true;
}

// True when a band of lines as wide as the line buffers, each coded at its
// largest, fits a band chunk (hold chunks are as large): then no line can
// run out of room and the line intake skips its room check.
bool bandsAlwaysFit(const OutputJob* job) {
    for (int i = 0; i < job->planeCount; ++i) {
        const int32_t size = lineBufferSize(job->lineWidth, job->planes[i].outputShift);
        if (kBandChunkHeaderSize + job->bandHeight * encodedLineLimit(size) > kBandChunkSize)
            return false;
    }
    return true;
}

int16_t bandHeightFor(const SettingsFields& fields) {
    if (fields.resolution == 300 || fields.altSequenceRequest == 1) return kLinesPerBand300;
    if (fields.resolution == 600) return kLinesPerBand600;
    return 1;
}

// A page of the alternate sequence on buffers that already exist: the
// planes start empty, nothing is allocated.
void resetPage(OutputJob* job) {
    for (int i = 0; i < job->planeCount; ++i) {
        resetLineState(&job->planes[i]);
        startBandChunk(&job->planes[i].chain);
        startHoldChunk(&job->holdChunks[i]);
    }
    job->pendingSkip = 0;
    job->lineCommitted = false;
    job->lastLine = 0;
}

}  // namespace

namespace inkband {

int16_t setUpJob(OutputJob* job, const JobSettings* settings, int16_t size) {
    if (job->sequence == nullptr || job->sequence->state != kStateOpened)
        return INKBAND_NOT_OFFERED;
    const SettingsFields fields = readSettings(settings);
    // The switch to the alternate sequence holds even if the rest fails.
    if (fields.altSequenceRequest == 1) {
        job->sequence->table = kTableAlternate;
        job->sequence->state = kStateAltOpened;
    }
    int16_t check = sequenceCheck(&job->sequence, kOpInitTwo);
    if (check < 0) return check;
    if (size != INKBAND_SETTINGS_SIZE) return INKBAND_REFUSED;

    job->modeRowCode = fields.modeRowCode;
    job->modeColumnCode = fields.modeColumnCode;
    job->lineWidth = fields.lineWidth;
    job->altSequence = fields.altSequenceRequest == 1;
    if (ResolveModeClass(job->modeRowCode, job->modeColumnCode, fields.modeOptionA,
                         fields.modeOptionB, fields.modeOptionC) == 0)
        return INKBAND_REFUSED;
    sequenceStep(&job->sequence, kOpInitTwo);
    return INKBAND_OK;
}

int16_t setUpPage(OutputJob* job, const JobSettings* settings) {
    const SettingsFields fields = readSettings(settings);

    // The whole mode is worked out before anything of the job changes.
    PageMode mode;
    if (!resolvePageMode(job, fields, &mode)) return INKBAND_REFUSED;

    if (job->altSequence && job->pageBuffers) {
        // Later pages of the alternate sequence keep the buffers of the
        // first; they only fit the mode they were made for.
        if (!sameMode(job, mode)) return INKBAND_REFUSED;
        storePageMode(job, mode);
        resetPage(job);
        if (job->sequence->table == kTableAlternate) sequenceStep(&job->sequence, kOpInitPart);
        return INKBAND_OK;
    }

    // Nothing may be held here (the page's end released it); make sure no
    // earlier buffer can be lost under the new ones.
    releasePageBuffers(job);
    storePageMode(job, mode);
    if (!allocatePageBuffers(job)) {
        releasePageBuffers(job);  // the call may be repeated without a leak
        return INKBAND_NO_MEMORY;
    }
    job->pageBuffers = true;
    job->bandHeight = bandHeightFor(fields);
    job->bandsAlwaysFit = bandsAlwaysFit(job);
    job->lastOp = kLastOpNone;
    job->headerState = kHeaderDue;
    job->lastColorSet = kSelectionNone;
    job->altSequence = fields.altSequenceRequest == 1;
    job->pendingSkip = 0;
    job->lineCommitted = false;
    job->lastLine = 0;
    job->bareProduce = false;
    sequenceStep(&job->sequence, kOpInitPart);
    return INKBAND_OK;
}

}  // namespace inkband
