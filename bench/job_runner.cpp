#include "job_runner.h"

#include <tiffio.h>

#include <cstring>

#include "codec/run_coder.h"
#include "platform/heap.h"

using namespace inkband::bench;

namespace {

void takePieces(const PieceList* list, uint64_t* bytes, std::vector<uint8_t>* stream) {
    for (int i = 0; i < list->count; ++i) {
        const Piece& piece = list->pieces[i];
        *bytes += piece.length;
        if (stream != nullptr) stream->insert(stream->end(), piece.data, piece.data + piece.length);
    }
}

// A write-only TIFF in memory: the bytes are counted and dropped, so the
// measurement holds libtiff's encoder and its buffering, no copy of ours.
struct NullFile {
    toff_t offset = 0;
    toff_t size = 0;
};

tmsize_t nullRead(thandle_t, void*, tmsize_t) { return 0; }
tmsize_t nullWrite(thandle_t handle, void*, tmsize_t size) {
    auto* file = static_cast<NullFile*>(handle);
    file->offset += static_cast<toff_t>(size);
    if (file->offset > file->size) file->size = file->offset;
    return size;
}
toff_t nullSeek(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<NullFile*>(handle);
    if (whence == SEEK_SET) file->offset = offset;
    if (whence == SEEK_CUR) file->offset += offset;
    if (whence == SEEK_END) file->offset = file->size + offset;
    return file->offset;
}
int nullClose(thandle_t) { return 0; }
toff_t nullSize(thandle_t handle) { return static_cast<NullFile*>(handle)->size; }
int nullMap(thandle_t, void**, toff_t*) { return 0; }
void nullUnmap(thandle_t, void*, toff_t) {}

}  // namespace

extern "C" __attribute__((noinline)) uint64_t benchRunJob(const HostPage* page, int pages,
                                                          JobStats* stats,
                                                          std::vector<uint8_t>* stream) {
    uint64_t bytes = 0;
    long failed = 0;
    long lineAllocations = 0;
    long laterLineAllocations = 0;
    OutputJob* job = nullptr;
    if (OutputOpen(&job) != INKBAND_OPEN_OK) return 0;
    failed += OutputInitTwo(&job, &page->settings, INKBAND_SETTINGS_SIZE) != INKBAND_OK;
    PieceList* list = nullptr;
    for (int p = 0; p < pages; ++p) {
        failed += OutputInitPart(&job, &page->settings) != INKBAND_OK;
        const long before = stats != nullptr ? inkband::heapCounters().allocations : 0;
        for (const RasterLine& line : page->lines) {
            // The ordinary modes only read the line; the ten-plane split
            // clears bytes of it, which repeats identically on every run.
            if (OutputProduceTwo(&job, const_cast<RasterLine*>(&line), &list) == INKBAND_OK) {
                takePieces(list, &bytes, stream);
            } else {
                ++failed;
            }
            failed += OutputComplete(&job) != INKBAND_OK;
        }
        if (stats != nullptr) {
            const long made = inkband::heapCounters().allocations - before;
            lineAllocations += made;
            if (p > 0) laterLineAllocations += made;
        }
        if (OutputFlush(&job, &list) == INKBAND_OK) {
            takePieces(list, &bytes, stream);
        } else {
            ++failed;
        }
        failed += OutputComplete(&job) != INKBAND_OK;
    }
    OutputClose(&job);
    if (stats != nullptr) {
        stats->outputBytes = bytes;
        stats->lines = static_cast<long>(page->lines.size()) * pages;
        stats->lineAllocations = lineAllocations;
        stats->laterLineAllocations = laterLineAllocations;
        stats->failedCalls = failed;
    }
    return bytes;
}

extern "C" __attribute__((noinline)) uint64_t benchRunJobFromLineBuffer(const HostPage* page,
                                                                        uint8_t* lineBuffer,
                                                                        bool callModule) {
    uint64_t bytes = 0;
    const uint8_t* const pageStart = page->planeBytes.data();
    const std::size_t perLine = page->rasterBytes / page->lines.size();
    OutputJob* job = nullptr;
    PieceList* list = nullptr;
    if (callModule) {
        if (OutputOpen(&job) != INKBAND_OPEN_OK) return 0;
        OutputInitTwo(&job, &page->settings, INKBAND_SETTINGS_SIZE);
        OutputInitPart(&job, &page->settings);
    }
    for (const RasterLine& line : page->lines) {
        // "Rendering": the line's bytes land in the host's one line buffer.
        std::memcpy(lineBuffer, line.planes[0].data, perLine);
        if (!callModule) {
            bytes += lineBuffer[perLine / 2];
            continue;
        }
        RasterLine rendered = line;
        for (int i = 0; i < page->planeCount; ++i) {
            const std::size_t offset =
                static_cast<std::size_t>(line.planes[i].data - pageStart) % perLine;
            rendered.planes[i].data = lineBuffer + offset;
        }
        if (OutputProduceTwo(&job, &rendered, &list) == INKBAND_OK)
            takePieces(list, &bytes, nullptr);
        OutputComplete(&job);
    }
    if (callModule) {
        if (OutputFlush(&job, &list) == INKBAND_OK) takePieces(list, &bytes, nullptr);
        OutputComplete(&job);
        OutputClose(&job);
    }
    return bytes;
}

extern "C" __attribute__((noinline)) uint64_t benchEncodeRows(const Rows* rows, uint8_t* scratch) {
    uint64_t coded = 0;
    for (std::size_t r = 0; r < rows->count; ++r)
        coded += static_cast<uint16_t>(inkband::encodeRuns(scratch, rows->bytes + r * rows->size,
                                                           static_cast<int16_t>(rows->size)));
    return coded;
}

extern "C" __attribute__((noinline)) uint64_t benchPackBitsRows(const Rows* rows) {
    NullFile file;
    TIFF* tif = TIFFClientOpen("packbits", "w", &file, nullRead, nullWrite, nullSeek, nullClose,
                               nullSize, nullMap, nullUnmap);
    if (tif == nullptr) return 0;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(rows->size));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(rows->count));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(rows->count));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS);
    const tmsize_t size = static_cast<tmsize_t>(rows->count * rows->size);
    // libtiff encodes a strip row by row: each row is its own PackBits run.
    tmsize_t written = TIFFWriteEncodedStrip(tif, 0, const_cast<uint8_t*>(rows->bytes), size);
    TIFFClose(tif);
    return written < 0 ? 0 : static_cast<uint64_t>(file.size);
}
