// inkband inspect: check a stream, report on it, and optionally draw a page
// or write its planes back out.
#include <cstdio>
#include <cstring>
#include <vector>

#include "inkband/commands.h"
#include "inkband/host_raster.h"
#include "inkband/json_output.h"
#include "inkband/mapped_file.h"
#include "inkband/plane_reconstruct.h"
#include "inkband/png_preview.h"
#include "inkband/stream_report.h"

namespace inkband::tool {

namespace {

int fail(const std::string& message, int status = 2) {
    std::fprintf(stderr, "inkband inspect: %s\n", message.c_str());
    return status;
}

void reportCounts(std::size_t page, const RebuildCounts& counts, const ModeInfo& mode, int width,
                  int height) {
    if (counts.unmatched > 0)
        std::fprintf(stderr, "inkband inspect: page %zu: %lld pixels match no level of mode %s\n",
                     page, static_cast<long long>(counts.unmatched), mode.name);
    if (counts.outside > 0)
        std::fprintf(stderr,
                     "inkband inspect: page %zu: %lld pixels lie outside %d x %d and are "
                     "not drawn\n",
                     page, static_cast<long long>(counts.outside), width, height);
}

// Everything after the stream is in view; the file stays mapped meanwhile.
int inspectFile(const InspectOptions& o, const ModeInfo* hint, MappedFile& file) {
    // Each pass over the stream hands back what it has read, so a stream
    // of any size keeps the process small.
    const ReadProgress release = [&file](std::size_t offset) { releaseBefore(file, offset); };
    const InspectResult result = inspectStream(file.data, file.size, hint, release);
    if (o.json)
        std::printf("%s\n", inspectJson(result, o.input).dump(2).c_str());
    else
        std::fputs(textReport(result, o.input).c_str(), stdout);
    if (!result.status.ok) return 1;
    if (o.png.empty() && o.dumpDir.empty()) return 0;

    // Notes go to stderr when stdout carries JSON.
    std::FILE* notes = o.json ? stderr : stdout;
    if (result.mode == nullptr) return fail("no mode sends these planes; --mode NAME sets one");
    const ModeInfo& mode = *result.mode;
    const std::size_t pages = result.stream.pages.size();
    if (!o.png.empty() && (o.page < 1 || o.page > static_cast<int>(pages)))
        return fail("the stream has no page " + std::to_string(o.page));
    std::string error;

    // The planes of every page, each page rebuilt whole.
    if (!o.dumpDir.empty()) {
        std::vector<uint8_t> letters;
        for (const SourcePlane& s : mode.sources) letters.push_back(static_cast<uint8_t>(s.letter));
        for (std::size_t p = 0; p < pages; ++p) {
            DecodedPlanes planes;
            if (!reconstructPage(file.data, file.size, result.stream.pages[p], mode, o.width,
                                 o.height, planes, error))
                return fail("page " + std::to_string(p + 1) + ": " + error);
            reportCounts(p + 1, planes.counts, mode, planes.width, planes.height);
            const std::string dir = o.dumpDir + "/page" + std::to_string(p + 1);
            if (!dumpPlanes(dir, planes.host, letters, error)) return fail(error);
            std::fprintf(notes, "planes of page %zu: %s\n", p + 1, dir.c_str());
        }
    }

    // The preview, drawn band by band.
    if (!o.png.empty()) {
        const decode::Page& page = result.stream.pages[static_cast<std::size_t>(o.page - 1)];
        const int width = o.width > 0 ? o.width : inferredWidth(page, mode);
        const int height = o.height > 0 ? o.height : inferredHeight(page);
        if (width == 0 || height == 0)
            return fail("page " + std::to_string(o.page) +
                        " has no band with data; --width and --height set its size");
        RebuildCounts counts;
        if (!writePreviewPng(o.png, file.data, file.size, page, mode, width, height, counts, error,
                             release))
            return fail(error);
        reportCounts(static_cast<std::size_t>(o.page), counts, mode, width, height);
        const PreviewLayout l = previewLayout(width, height, static_cast<int>(mode.wires.size()));
        std::fprintf(notes, "preview of page %d: %s (%d x %d)\n", o.page, o.png.c_str(), l.width,
                     l.height);
    }
    return 0;
}

}  // namespace

int runInspect(const InspectOptions& o) {
    const ModeInfo* hint = nullptr;
    if (!o.mode.empty() && (hint = findMode(o.mode)) == nullptr)
        return fail("no mode named " + o.mode +
                    "; the modes, with their PPD names: " + modeNames());
    MappedFile file;
    std::string error;
    if (!mapFile(o.input, file, error)) return fail(error);
    const int status = inspectFile(o, hint, file);
    unmapFile(file);
    return status;
}

}  // namespace inkband::tool
