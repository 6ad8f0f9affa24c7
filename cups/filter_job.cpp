#include "filter_job.h"

#include <cerrno>
#include <cstring>

namespace inkband::filter {

namespace {

std::string failed(const char* call, int status) {
    return std::string(call) + " returned " + std::to_string(status);
}

std::string writeFailed(const StreamWriter& writer) {
    return std::string("cannot write the stream: ") + std::strerror(writer.error);
}

// Sends a producing call's pieces, then acknowledges them.
std::string deliver(FilterJob& job, const PieceList* list, StreamWriter& writer) {
    const bool written = writePieces(writer, list);
    const int16_t status = OutputComplete(&job.job);
    if (!written) return writeFailed(writer);
    if (status != INKBAND_OK) return failed("OutputComplete", status);
    return {};
}

}  // namespace

std::string beginPage(FilterJob& job, const JobSettings& settings) {
    if (job.pageOpen) return "a page is already open";
    if (job.job == nullptr || job.rowCode != settings.modeRowCode ||
        job.columnCode != settings.modeColumnCode || job.lineWidth != settings.lineWidth) {
        closeJob(job);
        const int32_t opened = OutputOpen(&job.job);
        if (opened != INKBAND_OPEN_OK) return failed("OutputOpen", opened);
        const int16_t status = OutputInitTwo(&job.job, &settings, INKBAND_SETTINGS_SIZE);
        if (status != INKBAND_OK) {
            closeJob(job);
            return failed("OutputInitTwo", status);
        }
        job.rowCode = settings.modeRowCode;
        job.columnCode = settings.modeColumnCode;
        job.lineWidth = settings.lineWidth;
    }
    const int16_t status = OutputInitPart(&job.job, &settings);
    if (status != INKBAND_OK) return failed("OutputInitPart", status);
    job.pageOpen = true;
    return {};
}

std::string sendLine(FilterJob& job, RasterLine& line, StreamWriter& writer) {
    if (!job.pageOpen) return "no page is open";
    PieceList* list = nullptr;
    const int16_t status = OutputProduceTwo(&job.job, &line, &list);
    if (status != INKBAND_OK) return failed("OutputProduceTwo", status);
    return deliver(job, list, writer);
}

std::string endPage(FilterJob& job, StreamWriter& writer) {
    if (!job.pageOpen) return "no page is open";
    PieceList* list = nullptr;
    const int16_t status = OutputFlush(&job.job, &list);
    if (status != INKBAND_OK) return failed("OutputFlush", status);
    job.pageOpen = false;
    std::string error = deliver(job, list, writer);
    if (error.empty() && !flushStream(writer)) error = writeFailed(writer);
    return error;
}

void closeJob(FilterJob& job) {
    OutputClose(&job.job);
    job = FilterJob{};
}

}  // namespace inkband::filter
