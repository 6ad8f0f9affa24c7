#include "support/manual_job.h"

#include "job/output_job.h"

namespace testjob {

int16_t sequenceState(const OutputJob* job) { return job->sequence->state; }

}  // namespace testjob
