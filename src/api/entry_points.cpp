// The ten exported entry points.  Each reads the job out of the caller's
// slot, asks the call sequence whether its operation may run (but
// OutputOpen, OutputInit and OutputClose, which run in any state), and hands
// the rest to the job's operation.
#include "inkband/inkband.h"
#include "job/job_operations.h"

using namespace inkband;

namespace {

// The job held in *slot, or null for a null slot address or an empty slot.
OutputJob* jobInSlot(OutputJob* const* slot) { return slot == nullptr ? nullptr : *slot; }

}  // namespace

extern "C" {

int32_t OutputOpen(OutputJob** slot) {
    if (slot == nullptr) return INKBAND_OPEN_FAILED;
    return openJob(slot);
}

int32_t OutputInit(void) { return INKBAND_REFUSED; }

int16_t OutputProduce(OutputJob** slot) {
    OutputJob* job = jobInSlot(slot);
    if (job == nullptr) return INKBAND_REFUSED;
    const int16_t check = sequenceCheck(&job->sequence, kOpProduce);
    if (check < 0) return check;
    return produceNothing(job);
}

void OutputClose(OutputJob** slot) {
    if (jobInSlot(slot) == nullptr) return;
    closeJob(slot);
}

int16_t OutputInitTwo(OutputJob** slot, const JobSettings* settings, int16_t size) {
    OutputJob* job = jobInSlot(slot);
    if (job == nullptr || settings == nullptr) return INKBAND_REFUSED;
    // The settings choose the sequence table before the check.
    return setUpJob(job, settings, size);
}

int16_t OutputInitPart(OutputJob** slot, const JobSettings* settings) {
    OutputJob* job = jobInSlot(slot);
    if (job == nullptr || settings == nullptr) return INKBAND_REFUSED;
    const int16_t check = sequenceCheck(&job->sequence, kOpInitPart);
    if (check < 0) return check;
    return setUpPage(job, settings);
}

int16_t OutputProduceTwo(OutputJob** slot, RasterLine* line, PieceList** out) {
    OutputJob* job = jobInSlot(slot);
    if (job == nullptr) return INKBAND_REFUSED;
    // Looked up once for the check and the step: this runs for every line.
    const SequenceVerdict step = sequenceVerdict(&job->sequence, kOpProduce);
    if (step.status < 0) return step.status;
    return produceLine(job, line, out, step);
}

int16_t OutputComplete(OutputJob** slot) {
    OutputJob* job = jobInSlot(slot);
    if (job == nullptr) return INKBAND_REFUSED;
    const SequenceVerdict step = sequenceVerdict(&job->sequence, kOpComplete);
    if (step.status < 0) return step.status;
    return completeCall(job, step);
}

int16_t OutputFlush(OutputJob** slot, PieceList** out) {
    OutputJob* job = jobInSlot(slot);
    if (job == nullptr) return INKBAND_REFUSED;
    const int16_t check = sequenceCheck(&job->sequence, kOpFlush);
    if (check < 0) return check;
    return flushPage(job, out);
}

int16_t OutputFormFeed(OutputJob** slot, PieceList** out, int32_t formLength) {
    OutputJob* job = jobInSlot(slot);
    if (job == nullptr) return INKBAND_REFUSED;
    const int16_t check = sequenceCheck(&job->sequence, kOpFormFeed);
    if (check < 0) return check;
    return feedForm(job, out, formLength);
}

}  // extern "C"
