// The observable state of a job, for tests that check that a refused call
// changed nothing.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "job/output_job.h"

namespace testjob {

struct JobSnapshot {
    int16_t state, table, lastOp, headerState, lastColorSet, altSequence;
    int32_t pendingSkip;
    std::vector<inkband::LineExtent> pending;
    std::vector<inkband::LineExtent> current;
    std::vector<std::vector<uint8_t>> bands;  // content of each band chunk
    std::vector<std::vector<uint8_t>> holds;  // saved content of each hold chunk

    bool operator==(const JobSnapshot& o) const {
        auto same = [](const inkband::LineExtent& a, const inkband::LineExtent& b) {
            return a.first == b.first && a.last == b.last && a.lineInBand == b.lineInBand &&
                   a.line == b.line && a.band == b.band && a.blank == b.blank;
        };
        if (pending.size() != o.pending.size() || current.size() != o.current.size()) return false;
        for (std::size_t i = 0; i < pending.size(); ++i)
            if (!same(pending[i], o.pending[i]) || !same(current[i], o.current[i])) return false;
        return state == o.state && table == o.table && lastOp == o.lastOp &&
               headerState == o.headerState && lastColorSet == o.lastColorSet &&
               altSequence == o.altSequence && pendingSkip == o.pendingSkip && bands == o.bands &&
               holds == o.holds;
    }
};

inline JobSnapshot snapshot(const OutputJob* job) {
    JobSnapshot s{job->sequence->state,
                  job->sequence->table,
                  job->lastOp,
                  job->headerState,
                  job->lastColorSet,
                  job->altSequence,
                  job->pendingSkip,
                  {},
                  {},
                  {},
                  {}};
    for (int i = 0; i < job->planeCount; ++i) {
        const inkband::PlaneState& plane = job->planes[i];
        s.pending.push_back(plane.pending);
        s.current.push_back(plane.current);
        if (plane.chain.buffer != nullptr)
            s.bands.emplace_back(plane.chain.buffer, plane.chain.writePos);
        const inkband::DataChunk& hold = job->holdChunks[i];
        if (hold.buffer != nullptr)
            s.holds.emplace_back(hold.buffer, hold.buffer + hold.savedLength);
    }
    return s;
}

}  // namespace testjob
