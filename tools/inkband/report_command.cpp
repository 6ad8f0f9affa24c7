// inkband inspect: check a stream, report on it, and optionally draw a page
// or write its planes back out.
#include <cstdio>
#include <cstring>
#include <vector>

#include "inkband/commands.h"
#include "inkband/file_read.h"
#include "inkband/host_raster.h"
#include "inkband/json_output.h"
#include "inkband/plane_reconstruct.h"
#include "inkband/png_preview.h"
#include "inkband/stream_report.h"

namespace inkband::tool {

namespace {

int fail(const std::string& message, int status = 2) {
    std::fprintf(stderr, "inkband inspect: %s\n", message.c_str());
    return status;
}

}  // namespace

int runInspect(const InspectOptions& o) {
    const ModeInfo* hint = nullptr;
    if (!o.mode.empty() && (hint = findMode(o.mode)) == nullptr)
        return fail("no mode named " + o.mode +
                    "; the modes, with their PPD names: " + modeNames());
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readFile(o.input, bytes, error)) return fail(error);

    const InspectResult result = inspectStream(bytes.data(), bytes.size(), hint);
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
    std::vector<uint8_t> letters;
    for (const SourcePlane& s : mode.sources) letters.push_back(static_cast<uint8_t>(s.letter));

    for (std::size_t p = 0; p < result.stream.pages.size(); ++p) {
        const bool previewed = !o.png.empty() && static_cast<int>(p) + 1 == o.page;
        if (!previewed && o.dumpDir.empty()) continue;
        DecodedPlanes planes;
        if (!reconstructPage(result.stream.pages[p], mode, o.width, o.height, planes, error))
            return fail("page " + std::to_string(p + 1) + ": " + error);
        if (planes.unmatched > 0)
            std::fprintf(stderr,
                         "inkband inspect: page %zu: %lld pixels match no level of mode %s\n",
                         p + 1, static_cast<long long>(planes.unmatched), mode.name);
        if (planes.outside > 0)
            std::fprintf(stderr,
                         "inkband inspect: page %zu: %lld pixels lie outside %d x %d and are "
                         "not drawn\n",
                         p + 1, static_cast<long long>(planes.outside), planes.width,
                         planes.height);
        if (!o.dumpDir.empty()) {
            const std::string dir = o.dumpDir + "/page" + std::to_string(p + 1);
            if (!dumpPlanes(dir, planes.host, letters, error)) return fail(error);
            std::fprintf(notes, "planes of page %zu: %s\n", p + 1, dir.c_str());
        }
        if (previewed) {
            if (planes.width == 0 || planes.height == 0)
                return fail("page " + std::to_string(p + 1) +
                            " has no band with data; --width and --height set its size");
            const RgbImage preview = renderPreview(planes, mode);
            if (!writePng(o.png, preview, error)) return fail(error);
            std::fprintf(notes, "preview of page %zu: %s (%d x %d)\n", p + 1, o.png.c_str(),
                         preview.width, preview.height);
        }
    }
    if (!o.png.empty() && (o.page < 1 || o.page > static_cast<int>(result.stream.pages.size())))
        return fail("the stream has no page " + std::to_string(o.page));
    return 0;
}

}  // namespace inkband::tool
