#include "support/manual_job.h"

#include "job/output_job.h"

namespace testjob {

int16_t ManualJob::state() const { return job->sequence->state; }

}  // namespace testjob
