// A job driven call by call, for tests that look between the calls.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "inkband/inkband.h"
#include "support/job_driver.h"

namespace testjob {

// The job's call-sequence state (1 .. 19), for tests that follow a job
// through its calls.
int16_t sequenceState(const OutputJob* job);

struct ManualJob {
    OutputJob* job = nullptr;
    std::vector<uint8_t> stream;  // every piece handed out so far
    std::vector<std::vector<uint8_t>> lastPieces;

    ManualJob() { EXPECT_EQ(OutputOpen(&job), INKBAND_OPEN_OK); }
    ~ManualJob() { OutputClose(&job); }
    ManualJob(const ManualJob&) = delete;
    ManualJob& operator=(const ManualJob&) = delete;

    int16_t initTwo(const JobSettings& s) { return OutputInitTwo(&job, &s, INKBAND_SETTINGS_SIZE); }
    int16_t initPart(const JobSettings& s) { return OutputInitPart(&job, &s); }

    int16_t take(int16_t status, PieceList* list) {
        lastPieces.clear();
        if (status == INKBAND_OK) {
            lastPieces = piecesOf(list);
            for (const auto& p : lastPieces) stream.insert(stream.end(), p.begin(), p.end());
        }
        return status;
    }
    // OutputProduceTwo over `planes` (their bytes may be rewritten).
    int16_t produce(int32_t line, std::vector<PlaneSpec>& planes) {
        RasterLine raster{};
        raster.line = line;
        for (std::size_t i = 0; i < planes.size(); ++i) {
            raster.planes[i].data = planes[i].null ? nullptr : planes[i].bytes.data();
            raster.planes[i].width = planes[i].width;
            raster.planes[i].left = planes[i].left;
            raster.planes[i].right = planes[i].right;
        }
        PieceList* list = nullptr;
        int16_t status = OutputProduceTwo(&job, &raster, &list);
        return take(status, list);
    }
    int16_t complete() { return OutputComplete(&job); }
    int16_t flush() {
        PieceList* list = nullptr;
        int16_t status = OutputFlush(&job, &list);
        return take(status, list);
    }
    int16_t formFeed(int32_t length) {
        PieceList* list = nullptr;
        int16_t status = OutputFormFeed(&job, &list, length);
        return take(status, list);
    }
    int16_t state() const { return sequenceState(job); }
};

}  // namespace testjob
