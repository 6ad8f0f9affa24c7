// Writes the seed corpora: session scripts covering every reachable mode, the
// alternate sequence, calls out of order, null arguments and failed
// allocations (fuzz/corpus/session), and the streams those scripts make the
// module produce (fuzz/corpus/decoder).  Every script is run through the
// session checks before it is written.
// Usage: make_seeds <corpus folder>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "inkband/inkband.h"
#include "session_runner.h"
#include "session_script.h"
#include "support/page_model.h"

using namespace fuzzscript;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr std::size_t kLargestDecoderSeed = 16384;  // keeps the committed corpus small

struct Seeds {
    std::vector<std::pair<std::string, Bytes>> scripts;
};

class Builder {
   public:
    ScriptWriter w;
    std::mt19937 rng;
    std::vector<int> depths;  // bits per pixel of the source planes the reader expects
    int16_t width = 0;

    Builder(uint8_t modeIndex, uint8_t resolution, uint8_t request, int16_t lineWidth,
            unsigned seed, uint8_t openFailure = 0)
        : rng(seed), width(lineWidth) {
        depths = testjob::reachableModes()[modeIndex].depths;
        uint16_t widthField = static_cast<uint16_t>(lineWidth);
        if (lineWidth > 1024) widthField |= kWidthRaw;
        w.u8(modeIndex).u8(resolution).u8(request).u16(widthField).u8(openFailure);
    }

    Builder& op(Op o) {
        w.op(o);
        return *this;
    }
    Builder& initTwo(uint8_t variant = 0) {
        w.op(kInitTwo).u8(variant);
        return *this;
    }
    Builder& initPart(uint8_t variant = 0) {
        w.op(kInitPart).u8(variant);
        return *this;
    }
    Builder& formFeed(uint8_t lengthByte) {
        w.op(kFormFeed).u8(lengthByte);
        return *this;
    }
    Builder& failAlloc(uint8_t n) {
        w.op(kFailAlloc).u8(n);
        return *this;
    }

    // One raster line: every plane drawn at random (null, blank, full,
    // narrow, bytes from the script or generated), then its OutputComplete.
    Builder& line(uint8_t lineMode, uint8_t extra = 0, bool complete = true) {
        w.op(kLine).u8(lineMode);
        if ((lineMode & 7) == kLineGap) w.u8(extra);
        if ((lineMode & 7) == kLineJump) w.u16(extra * 97u);
        for (int bits : depths) plane(bits);
        if (complete) w.op(kComplete);
        return *this;
    }

    // A line whose planes are null where `null` says so, random elsewhere.
    Builder& lineWithNull(const std::vector<bool>& null) {
        w.op(kLine).u8(kLineNext);
        for (std::size_t i = 0; i < depths.size(); ++i) {
            if (null[i])
                w.u8(kPlaneNull);
            else
                plane(depths[i], 2 + rng() % 8);
        }
        w.op(kComplete);
        return *this;
    }

    void plane(int bits, uint32_t roll = 10) {
        int shift = bits == 1 ? 3 : bits == 2 ? 2 : 1;
        if (roll >= 10) roll = rng() % 10;
        if (roll == 0) {
            w.u8(kPlaneNull);
            return;
        }
        if (roll == 1) {
            w.u8(kPlaneBlank);
            return;
        }
        uint8_t fill = roll < 5   ? kFillScript
                       : roll < 7 ? kFillNoise
                       : roll < 9 ? kFillRuns
                                  : kFillOnes;
        int16_t planeWidth = width;
        uint8_t kind = kPlaneFull;
        if (roll == 4) {
            kind = kPlaneNarrow;
            planeWidth = static_cast<int16_t>(rng() % (width + 1));
        }
        uint8_t leftByte = static_cast<uint8_t>(rng() % 3 == 0 ? 0 : rng() % 24);
        uint8_t rightByte = static_cast<uint8_t>(rng() % 3 == 0 ? 128 : 128 + 24 + rng() % 40);
        w.u8(kind | fill);
        if (kind == kPlaneNarrow) w.u16(static_cast<uint16_t>(planeWidth));
        w.u8(leftByte).u8(rightByte);
        // The reader's sizes: left and right clamped into the width.
        int left = std::min<int>(leftByte, planeWidth);
        int right = rightByte < 128 ? rightByte : planeWidth - (rightByte - 128);
        right = std::clamp(right, 0, static_cast<int>(planeWidth));
        if (left + right > planeWidth) right = std::max(0, planeWidth - left);
        int lastPixel = planeWidth - right - 1;
        bool blank = left == planeWidth || left + right == planeWidth;
        std::size_t size =
            !blank && lastPixel >= 0 ? static_cast<std::size_t>((lastPixel >> shift) + 1) : 0;
        if (fill == kFillScript) {
            for (std::size_t i = 0; i < size; ++i)
                w.u8(rng() % 4 == 0 ? 0 : static_cast<uint8_t>(rng() % 5 == 0 ? 0xFF : rng()));
        } else if (fill != kFillOnes) {
            w.u8(static_cast<uint8_t>(rng()));
        }
    }

    Builder& page(int lines, uint8_t partVariant = 0) {
        initPart(partVariant);
        for (int l = 0; l < lines; ++l) {
            uint32_t r = rng() % 8;
            line(r < 5   ? kLineNext
                 : r < 7 ? kLineGap
                         : kLineJump,
                 static_cast<uint8_t>(rng() % 40));
        }
        return *this;
    }
    Builder& flushPage() {
        w.op(kFlush).op(kComplete);
        return *this;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <corpus folder>\n");
        return 2;
    }
    const std::string root = argv[1];
    Seeds seeds;
    const auto& modes = testjob::reachableModes();
    auto add = [&](const std::string& name, const Builder& b) {
        seeds.scripts.emplace_back(name, b.w.bytes);
    };

    for (uint8_t m = 0; m < modes.size(); ++m) {
        const std::string name = modes[m].name;
        // Two ordinary pages at each band height.
        Builder ordinary(m, m % 3, 0, static_cast<int16_t>(24 + 8 * m), 100 + m);
        ordinary.initTwo().page(6).flushPage().page(3).flushPage().op(kClose);
        add("pages-" + name, ordinary);
        // The alternate sequence: form-feed pages on kept buffers.
        Builder alternate(m, 0, 1, static_cast<int16_t>(16 + 4 * m), 200 + m);
        alternate.initTwo()
            .page(5)
            .formFeed(4)
            .op(kComplete)
            .page(3)
            .formFeed(0x40 | 2)
            .op(kComplete)
            .flushPage();
        add("alternate-" + name, alternate);
        // A failed allocation at the page and at a line, each call repeated.
        Builder failing(m, 1, 0, static_cast<int16_t>(40 + m), 300 + m);
        failing.initTwo().failAlloc(static_cast<uint8_t>(1 + m % 4)).initPart().initPart();
        failing.line(kLineNext).failAlloc(1).line(kLineGap, 9, false).op(kComplete);
        failing.line(kLineGap, 9).flushPage();
        add("failing-" + name, failing);
    }

    // Calls out of order, null arguments, empty slots, a re-opened job.
    Builder disorder(1, 0, 0, 32, 7);
    disorder.op(kComplete).op(kFlush).initPart().formFeed(8).op(kProduce).op(kInit);
    disorder.initTwo(1).w.u16(375);
    disorder.initTwo().initTwo().initPart().op(kProduce).op(kProduce).op(kComplete);
    disorder.line(kLineNext, 0, false).line(kLineNext, 0, false).op(kComplete);
    disorder.line(kLineSame).line(kLineRaw, 0, true);
    for (uint8_t which = 0; which < 6; ++which) disorder.op(kNullCalls).w.u8(which);
    disorder.formFeed(8).flushPage().op(kComplete).op(kOpen).w.u8(0).u8(0).u8(0).u16(16).u8(0);
    disorder.initTwo().initPart(kPartRequest).line(kLineNext).op(kFlush).op(kComplete);
    add("disorder", disorder);

    // Settings the tables do not know, and an alternate request at a page.
    // Codes no reachable mode names: the reader sizes six 4-bit planes.
    Builder raw(0, 0, 0, 0, 8);
    raw.depths.assign(INKBAND_MAX_SOURCE_PLANES, 4);
    raw.width = 48;
    raw.w.bytes = {kRawModeByte, 10, 0, 40, 0, 1, 0, 2};  // row 10, column 40, options 1 0 2
    raw.w.u8(3).u16(300).u8(0).u16(kWidthRaw | 48).u8(0);
    raw.initTwo().initPart(kPartOptions).w.u8(0).u8(1).u8(0);
    raw.line(kLineNext).flushPage();
    add("raw-codes", raw);

    Builder wide(1, 2, 0, 2000, 9);
    wide.initTwo().page(4).flushPage();
    add("wide-lines", wide);

    // Lines of 32767 4-bit pixels of noise in 16-line bands: the band
    // chunk fills up and a line is refused for want of room.
    Builder full(4, 1, 0, 32767, 10);
    full.initTwo().initPart();
    for (int l = 0; l < 6; ++l) {
        full.w.op(kLine).u8(kLineNext);
        for (std::size_t i = 0; i < full.depths.size(); ++i)
            full.w.u8(kPlaneFull | kFillNoise).u8(0).u8(0).u8(static_cast<uint8_t>(l * 7 + i));
        full.op(kComplete);
    }
    full.flushPage();
    add("full-band", full);

    // Black and light black alone, then with colour, then light black alone.
    Builder blacks(7, 0, 0, 48, 11);
    blacks.initTwo().initPart();
    blacks.lineWithNull({true, true, true, false, false}).line(kLineGap, 8);
    blacks.lineWithNull({true, true, true, true, false}).line(kLineGap, 16);
    blacks.lineWithNull({true, true, true, false, true}).flushPage();
    add("black-planes", blacks);

    // OutputOpen meeting a failed allocation at each of its steps.
    for (uint8_t k = 1; k <= 5; ++k) {
        Builder opening(1, 0, 0, 32, 12, k);
        opening.op(kOpen).w.u8(1).u8(0).u8(0).u16(32).u8(0);  // a job that opens
        opening.initTwo().page(2).flushPage();
        add("open-failure-" + std::to_string(k), opening);
    }

    long files = 0;
    for (const auto& [name, script] : seeds.scripts) {
        fuzzsession::SessionReport report = fuzzsession::runSession(script.data(), script.size());
        auto write = [&](const std::string& path, const Bytes& bytes) {
            FILE* f = std::fopen(path.c_str(), "wb");
            if (f == nullptr) {
                std::perror(path.c_str());
                std::exit(1);
            }
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
            ++files;
        };
        write(root + "/session/" + name, script);
        for (std::size_t j = 0; j < report.streams.size(); ++j)
            if (!report.streams[j].empty() && report.streams[j].size() <= kLargestDecoderSeed)
                write(root + "/decoder/" + name + "-" + std::to_string(j), report.streams[j]);
        std::printf("%-24s %5zu bytes, %3ld calls, %4ld lines compared\n", name.c_str(),
                    script.size(), report.calls, report.comparedLines);
    }
    std::printf("%ld files written\n", files);
    return 0;
}
