// The work behind each entry point, one operation per entry point.  The
// entry points read the job out of the caller's slot and ask the call
// sequence whether the operation may run; each operation here checks its
// own arguments, does its work and steps the sequence once it succeeded.
// A refused operation changes nothing.
#pragma once

#include <cstdint>

#include "inkband/inkband.h"
#include "job/output_job.h"
#include "job/sequence_table.h"

namespace inkband {

// OutputOpen: a new job in *slot (slot not null); INKBAND_OPEN_OK or
// INKBAND_OPEN_FAILED with *slot null.
int32_t openJob(OutputJob** slot);

// OutputClose: releases everything the job in *slot holds, and the job.
void closeJob(OutputJob** slot);

// OutputProduce: a producing step without data; its OutputComplete
// commits nothing.
int16_t produceNothing(OutputJob* job);

// OutputInitTwo: the job's settings.  Switches the job to the alternate
// sequence when the settings ask for it, then checks the call sequence
// itself.
int16_t setUpJob(OutputJob* job, const JobSettings* settings, int16_t size);

// OutputInitPart: the print mode and page buffers of a page.
int16_t setUpPage(OutputJob* job, const JobSettings* settings);

// OutputProduceTwo: one raster line in, the pieces it completes out.
// `step` is the verdict the entry point looked up for its check.
int16_t produceLine(OutputJob* job, RasterLine* line, PieceList** out, SequenceVerdict step);

// OutputFlush: ends the page (or, in the alternate sequence, the job).
int16_t flushPage(OutputJob* job, PieceList** out);

// OutputFormFeed: ends a page of the alternate sequence.
int16_t feedForm(OutputJob* job, PieceList** out, int32_t formLength);

// OutputComplete: the caller has sent the pieces; commits what the last
// producing call prepared.  `step` as for produceLine.
int16_t completeCall(OutputJob* job, SequenceVerdict step);

}  // namespace inkband
