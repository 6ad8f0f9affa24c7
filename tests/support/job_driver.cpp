#include "support/job_driver.h"

#include <cstring>

namespace testjob {

JobSettings makeSettings(int16_t rowCode, int16_t columnCode, int16_t lineWidth, int16_t resolution,
                         int16_t optionA, int16_t optionB, int16_t optionC, int16_t altSequence) {
    JobSettings s;
    std::memset(&s, 0, sizeof s);
    s.modeRowCode = rowCode;
    s.modeColumnCode = columnCode;
    s.lineWidth = lineWidth;
    s.resolution = resolution;
    s.modeOptionA = optionA;
    s.modeOptionB = optionB;
    s.modeOptionC = optionC;
    s.altSequenceRequest = altSequence;
    return s;
}

PlaneSpec plane(std::vector<uint8_t> bytes, int bitsPerPixel) {
    PlaneSpec p;
    p.width = static_cast<int16_t>(bytes.size() * (8 / bitsPerPixel));
    p.bytes = std::move(bytes);
    return p;
}

PlaneSpec nullPlane() {
    PlaneSpec p;
    p.null = true;
    return p;
}

std::vector<std::vector<uint8_t>> piecesOf(const PieceList* list) {
    std::vector<std::vector<uint8_t>> out;
    if (list == nullptr) return out;
    for (int i = 0; i < list->count; ++i)
        out.emplace_back(list->pieces[i].data, list->pieces[i].data + list->pieces[i].length);
    return out;
}

namespace {

struct Runner {
    JobResult result;
    OutputJob* job = nullptr;

    bool record(const char* call, int16_t status, const PieceList* list = nullptr) {
        CallRecord rec;
        rec.call = call;
        rec.status = status;
        if (status == INKBAND_OK && list != nullptr) {
            rec.pieces = piecesOf(list);
            for (const auto& piece : rec.pieces)
                result.stream.insert(result.stream.end(), piece.begin(), piece.end());
        }
        result.calls.push_back(std::move(rec));
        if (status != INKBAND_OK && result.ok) {
            result.ok = false;
            result.failure = std::string(call) + " returned " + std::to_string(status);
        }
        return status == INKBAND_OK;
    }

    bool complete() { return record("OutputComplete", OutputComplete(&job)); }

    bool line(const LineSpec& lineSpec) {
        RasterLine raster{};
        raster.line = lineSpec.line;
        // Copies of the plane bytes: the ten-plane modes rewrite them.
        std::vector<std::vector<uint8_t>> bytes;
        for (const PlaneSpec& p : lineSpec.planes) bytes.push_back(p.bytes);
        for (std::size_t i = 0; i < lineSpec.planes.size() && i < INKBAND_MAX_SOURCE_PLANES; ++i) {
            const PlaneSpec& p = lineSpec.planes[i];
            raster.planes[i].data = p.null ? nullptr : bytes[i].data();
            raster.planes[i].width = p.width;
            raster.planes[i].left = p.left;
            raster.planes[i].right = p.right;
        }
        PieceList* list = nullptr;
        int16_t status = OutputProduceTwo(&job, &raster, &list);
        if (!record("OutputProduceTwo", status, list)) return false;
        return complete();
    }
};

}  // namespace

JobResult runJob(const JobSettings& jobSettings, const std::vector<PageSpec>& pages) {
    Runner r;
    if (OutputOpen(&r.job) != INKBAND_OPEN_OK) {
        r.result.ok = false;
        r.result.failure = "OutputOpen failed";
        return r.result;
    }
    bool ok = r.record("OutputInitTwo", OutputInitTwo(&r.job, &jobSettings, INKBAND_SETTINGS_SIZE));
    for (std::size_t p = 0; ok && p < pages.size(); ++p) {
        const PageSpec& page = pages[p];
        ok = r.record("OutputInitPart", OutputInitPart(&r.job, &page.settings));
        for (std::size_t l = 0; ok && l < page.lines.size(); ++l) ok = r.line(page.lines[l]);
        if (!ok) break;
        PieceList* list = nullptr;
        if (page.formFeed) {
            int16_t status = OutputFormFeed(&r.job, &list, page.formLength);
            ok = r.record("OutputFormFeed", status, list);
        } else {
            int16_t status = OutputFlush(&r.job, &list);
            ok = r.record("OutputFlush", status, list);
        }
        ok = ok && r.complete();
    }
    if (ok && jobSettings.altSequenceRequest == 1) {
        PieceList* list = nullptr;
        int16_t status = OutputFlush(&r.job, &list);
        ok = r.record("OutputFlush", status, list) && r.complete();
    }
    OutputClose(&r.job);
    return r.result;
}

}  // namespace testjob
