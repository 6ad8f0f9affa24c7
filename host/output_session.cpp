#include "host/output_session.h"

namespace inkband::host {

namespace {

std::string failed(const char* call, int32_t status) {
    std::string text = std::string(call) + " returned " + statusText(status);
    if (status == INKBAND_NO_MEMORY)
        text +=
            " (every band of a plane must fit 62464 bytes: a narrower page, or a resolution "
            "with fewer lines per band, makes it fit)";
    return text;
}

// Sends a producing call's pieces, then acknowledges them.
std::string deliver(OutputSession& session, const char* call, int16_t status,
                    const PieceList* list) {
    if (status != INKBAND_OK) return failed(call, status);
    bool written = true;
    for (int16_t i = 0; i < list->count && written; ++i)
        written = session.sink(list->pieces[i].data, list->pieces[i].length);
    const int16_t completed = OutputComplete(&session.job);
    if (!written) return "cannot write the output";
    if (completed != INKBAND_OK) return failed("OutputComplete", completed);
    return {};
}

}  // namespace

std::string beginPage(OutputSession& session, const JobSettings& settings) {
    if (session.pageOpen) return "a page is already open";
    if (session.job == nullptr || session.rowCode != settings.modeRowCode ||
        session.columnCode != settings.modeColumnCode || session.lineWidth != settings.lineWidth) {
        if (session.job != nullptr) {
            const std::string error = endJob(session);
            if (!error.empty()) return error;
        }
        const int32_t opened = OutputOpen(&session.job);
        if (opened != INKBAND_OPEN_OK) return failed("OutputOpen", opened);
        const int16_t status = OutputInitTwo(&session.job, &settings, INKBAND_SETTINGS_SIZE);
        if (status != INKBAND_OK) {
            closeSession(session);
            return failed("OutputInitTwo", status);
        }
        session.rowCode = settings.modeRowCode;
        session.columnCode = settings.modeColumnCode;
        session.lineWidth = settings.lineWidth;
        session.alternate = settings.altSequenceRequest == 1;
    }
    const int16_t status = OutputInitPart(&session.job, &settings);
    if (status != INKBAND_OK) return failed("OutputInitPart", status);
    session.pageOpen = true;
    return {};
}

std::string sendLine(OutputSession& session, RasterLine& line) {
    if (!session.pageOpen) return "no page is open";
    PieceList* list = nullptr;
    const int16_t status = OutputProduceTwo(&session.job, &line, &list);
    return deliver(session, "OutputProduceTwo", status, list);
}

std::string endPage(OutputSession& session, int32_t formLines) {
    if (!session.pageOpen) return "no page is open";
    PieceList* list = nullptr;
    session.pageOpen = false;
    // The call runs before deliver() reads the list it stored.
    if (session.alternate) {
        const int16_t status = OutputFormFeed(&session.job, &list, formLines);
        return deliver(session, "OutputFormFeed", status, list);
    }
    const int16_t status = OutputFlush(&session.job, &list);
    return deliver(session, "OutputFlush", status, list);
}

std::string endJob(OutputSession& session) {
    std::string error;
    if (session.job != nullptr && session.alternate && !session.pageOpen) {
        PieceList* list = nullptr;
        const int16_t status = OutputFlush(&session.job, &list);
        error = deliver(session, "OutputFlush", status, list);
    }
    closeSession(session);
    return error;
}

void closeSession(OutputSession& session) {
    OutputClose(&session.job);
    session.job = nullptr;
    session.pageOpen = false;
    session.alternate = false;
}

std::string statusText(int32_t status) {
    const char* name = "unknown status";
    switch (status) {
        case INKBAND_OK:
            name = "success";
            break;
        case INKBAND_REFUSED:
            name = "refused";
            break;
        case INKBAND_NO_MEMORY:
            name = "out of memory, or a line too long for its band buffer";
            break;
        case INKBAND_WRONG_STATE:
            name = "not allowed in this state";
            break;
        case INKBAND_NOT_OFFERED:
            name = "not offered by the call sequence";
            break;
        case INKBAND_OPEN_FAILED:
            name = "open failed";
            break;
        default:
            break;
    }
    return std::string(name) + " (" + std::to_string(status) + ")";
}

}  // namespace inkband::host
