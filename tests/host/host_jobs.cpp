#include "host/host_jobs.h"

#include <cstring>
#include <type_traits>

namespace host {

namespace {

// A status that any value satisfies: the call is logged, not judged.
constexpr long kAnyStatus = 0x7FFFFFFF;

// Plane buffers are sized for the deepest planes (4 bits per pixel) plus
// slack, whatever the mode, so every span a descriptor names is covered.
constexpr int kMaxLineWidth = 1200;
constexpr int kPlaneBytes = kMaxLineWidth / 2 + 8;
// A plane's data starts 0 .. kDataShift - 1 bytes into its buffer, so the
// coder and the scans meet every alignment of the caller's bytes.
constexpr int kDataShift = 32;

struct PageSpec {
    std::int16_t optionA;
    std::int16_t optionB;
    std::int16_t optionC;
    std::int16_t resolution;
    std::int32_t firstLine;  // first line number that may be sent
    std::int32_t lineCount;  // lines from there on that may be sent
};

struct JobSpec {
    const char* name;
    std::int16_t rowCode;
    std::int16_t columnCode;
    std::int16_t lineWidth;
    std::uint32_t seed;
    const PageSpec* pages;
    int pageCount;
};

// Page by page: mode class, depths and band height in the comment.
constexpr PageSpec kOneBitPages[] = {
    {0, 0, 0, 300, 0, 72},   // class 3, 1 1 1 1, 8-line bands
    {1, 0, 0, 600, 40, 60},  // class 1 (one plane), 16-line bands, first line in band 2
    {0, 0, 0, 300, 0, 0},    // an empty page: flushed right after it opens
    {0, 0, 0, 150, 3, 12},   // class 3, 1-line bands
};
constexpr PageSpec kTernaryPages[] = {
    {0, 0, 0, 360, 0, 24},  // class 3, 2t 2t 1 1, 1-line bands
    {0, 1, 0, 300, 5, 40},  // class 4, 2t 2t 1 2t, 8-line bands
};
constexpr PageSpec kDeepPages[] = {
    {0, 0, 0, 600, 0, 50},  // class 3, 4 4 2 1
    {0, 0, 2, 300, 0, 30},  // class 3, 2t 2t 1 1
};
constexpr PageSpec kFivePlanePages[] = {
    {0, 0, 0, 300, 0, 48},  // class 8, 4 4 2 2 4
};
constexpr PageSpec kTenPlanePages[] = {
    {0, 0, 0, 600, 0, 40},  // class 7, ten output planes, 16-line bands
    {1, 0, 0, 300, 9, 30},  // class 10, 8-line bands
};
constexpr PageSpec kLightBlackPages[] = {
    {0, 0, 0, 300, 0, 40},  // class 5, 2t 2t 1 1 2t, 8-line bands
    {0, 1, 0, 600, 6, 40},  // class 4, 2t 2t 1 2t, 16-line bands
};
constexpr PageSpec kFourPlaneDeepPages[] = {
    {0, 0, 0, 600, 0, 36},  // class 4, 4 4 2 2, 16-line bands
};

constexpr JobSpec kJobs[] = {
    {"one-bit", 15, 0, 800, 0x1234u, kOneBitPages, 4},
    {"ternary", 10, 0, 600, 0x2345u, kTernaryPages, 2},
    {"deep", 5, 0, 640, 0x3456u, kDeepPages, 2},
    {"five-plane", 5, 15, 500, 0x4567u, kFivePlanePages, 1},
    {"ten-plane", 0, 51, 400, 0x5678u, kTenPlanePages, 2},
    {"light black", 5, 7, 1100, 0x6789u, kLightBlackPages, 2},
    {"four-plane deep", 10, 27, 1200, 0x789Au, kFourPlaneDeepPages, 1},
};

// Which source planes carry data, band by band (in units of 8 lines): all,
// the fourth plane alone (black in most modes), none at all (lines left out),
// all planes sent blank, the first plane alone, the first three.
struct BandProfile {
    std::uint8_t planeMask;
    bool leaveOut;
};
constexpr BandProfile kBandProfiles[] = {
    {0x3F, false}, {0x08, false}, {0x00, true},  {0x3F, false}, {0x00, false}, {0x01, false},
    {0x00, true},  {0x00, true},  {0x07, false}, {0x3F, false}, {0x08, false},
};
constexpr int kBandProfileCount = sizeof kBandProfiles / sizeof kBandProfiles[0];

// The same numbers on every platform.
struct Random {
    std::uint32_t state;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int below(int n) {
        return n > 0 ? static_cast<int>(next() % static_cast<std::uint32_t>(n)) : 0;
    }
};

// Fills a plane line with zero runs, repeated bytes and literals, the three
// shapes the run-length coder tells apart; now and then one of them long:
// literals past 16 bytes (the widest single copy) and past 128 (a record's
// most), with the odd pair inside, and runs past 128, zero or not.
void fillPlaneBytes(Random& random, std::uint8_t* bytes, int count) {
    int at = 0;
    while (at < count) {
        const int kind = random.below(10);
        int run = 0;
        std::uint8_t value = 0;
        bool literal = false;
        bool pairs = false;
        switch (kind) {
            case 0:
            case 1:
                run = 1 + random.below(40);
                break;
            case 2:
            case 3:
                run = 2 + random.below(30);
                value = static_cast<std::uint8_t>(1 + random.below(255));
                break;
            case 4:
            case 5:
            case 6:
            case 7:
                run = 1 + random.below(20);
                literal = true;
                break;
            case 8:
                run = 17 + random.below(200);
                literal = true;
                pairs = true;
                break;
            default:
                run = 100 + random.below(200);
                value = static_cast<std::uint8_t>(random.below(2) * (1 + random.below(255)));
                break;
        }
        for (int i = 0; i < run && at < count; ++i, ++at) {
            if (!literal) {
                bytes[at] = value;
            } else if (pairs && at > 0 && random.below(12) == 0) {
                bytes[at] = bytes[at - 1];
            } else {
                bytes[at] = static_cast<std::uint8_t>(random.next());
            }
        }
    }
}

struct Runner {
    const EntryPoints& entry;
    Transcript& out;
    OutputJob* job = nullptr;

    void fail(const std::string& what) {
        if (out.failure.empty()) out.failure = what;
    }

    void note(const std::string& line) {
        out.log += line;
        out.log += '\n';
    }

    // Logs one call, checks its status and, for a producing call that
    // succeeded, takes the bytes of its pieces as a host would send them.
    void record(const std::string& call, long status, long expected,
                const PieceList* list = nullptr) {
        std::string line = call + ": " + std::to_string(status);
        if (status == 0 && list != nullptr) line += takePieces(call, *list);
        note(line);
        if (expected != kAnyStatus && status != expected) {
            fail(call + " returned " + std::to_string(status) + ", expected " +
                 std::to_string(expected));
        }
    }

    std::string takePieces(const std::string& call, const PieceList& list) {
        if (list.count < 0 || (list.count > 0 && list.pieces == nullptr)) {
            fail(call + " returned a malformed piece list");
            return " (malformed list)";
        }
        long total = 0;
        for (int i = 0; i < list.count; ++i) {
            const Piece& piece = list.pieces[i];
            if (piece.length > 0 && piece.data == nullptr) {
                fail(call + " returned a piece without data");
                return " (piece without data)";
            }
            out.bytes.insert(out.bytes.end(), piece.data, piece.data + piece.length);
            total += piece.length;
        }
        return ", " + std::to_string(list.count) + " pieces, " + std::to_string(total) + " bytes";
    }

    void produceTwo(RasterLine& line, long expected) {
        PieceList* list = nullptr;
        const long status = entry.produceTwo(&job, &line, &list);
        record("OutputProduceTwo line " + std::to_string(line.line), status, expected,
               status == 0 ? list : nullptr);
        if (status == 0 && list == nullptr) fail("OutputProduceTwo stored no piece list");
    }

    void flush(long expected) {
        PieceList* list = nullptr;
        const long status = entry.flush(&job, &list);
        record("OutputFlush", status, expected, status == 0 ? list : nullptr);
    }

    void formFeed(std::int32_t length, long expected) {
        PieceList* list = nullptr;
        const long status = entry.formFeed(&job, &list, length);
        record("OutputFormFeed " + std::to_string(length), status, expected,
               status == 0 ? list : nullptr);
    }

    void complete(long expected) { record("OutputComplete", entry.complete(&job), expected); }

    void close() {
        entry.close(&job);
        note("OutputClose");
        if (job != nullptr) fail("OutputClose left the slot set");
    }
};

JobSettings makeSettings(std::int16_t rowCode, std::int16_t columnCode, std::int16_t lineWidth) {
    JobSettings settings;
    std::memset(&settings, 0, sizeof settings);
    settings.modeRowCode = rowCode;
    settings.modeColumnCode = columnCode;
    settings.lineWidth = lineWidth;
    return settings;
}

// Sends the lines of one page: band profiles decide which planes carry data,
// and a few further lines are left out at random.
void sendPageLines(Runner& run, Random& random, const JobSpec& job, const PageSpec& page) {
    std::uint8_t planeBytes[INKBAND_MAX_SOURCE_PLANES][kPlaneBytes + kDataShift];
    for (std::int32_t number = page.firstLine; number < page.firstLine + page.lineCount; ++number) {
        const BandProfile& profile =
            kBandProfiles[(number / 8 + static_cast<int>(job.seed)) % kBandProfileCount];
        if (profile.leaveOut || random.below(7) == 0) continue;
        RasterLine line;
        std::memset(&line, 0, sizeof line);
        line.line = number;
        for (int i = 0; i < INKBAND_MAX_SOURCE_PLANES; ++i) {
            PlaneLine& plane = line.planes[i];
            const std::int16_t width = static_cast<std::int16_t>(job.lineWidth - random.below(9));
            plane.width = width;
            if ((profile.planeMask & (1u << i)) == 0) {
                plane.left = random.below(2) == 0 ? 0 : width;  // null data or left == width
                continue;
            }
            std::uint8_t* const data = planeBytes[i] + random.below(kDataShift);
            fillPlaneBytes(random, data, kPlaneBytes);
            plane.data = data;
            const int shape = random.below(5);
            plane.left = static_cast<std::int16_t>(shape == 0 ? 0 : random.below(width / 3));
            plane.right = static_cast<std::int16_t>(shape == 1 ? 0 : random.below(width / 4));
            if (shape == 2) plane.left = width;  // blank through its descriptor
        }
        run.produceTwo(line, 0);
        run.complete(0);
    }
}

void runJob(const EntryPoints& entry, Transcript& out, const JobSpec& job) {
    Runner run{entry, out};
    Random random{job.seed};
    run.note(std::string("job ") + job.name);
    run.record("OutputOpen", entry.open(&run.job), INKBAND_OPEN_OK);
    JobSettings settings = makeSettings(job.rowCode, job.columnCode, job.lineWidth);
    run.record("OutputInitTwo", entry.initTwo(&run.job, &settings, INKBAND_SETTINGS_SIZE), 0);
    for (int p = 0; p < job.pageCount; ++p) {
        const PageSpec& page = job.pages[p];
        settings.modeOptionA = page.optionA;
        settings.modeOptionB = page.optionB;
        settings.modeOptionC = page.optionC;
        settings.resolution = page.resolution;
        run.record("OutputInitPart page " + std::to_string(p + 1),
                   entry.initPart(&run.job, &settings), 0);
        sendPageLines(run, random, job, page);
        run.flush(0);
        run.complete(0);
    }
    run.close();
}

// Calls that the call sequence refuses, checked through the exported
// entry points themselves.
void runRefusals(const EntryPoints& entry, Transcript& out) {
    Runner run{entry, out};
    run.note("job refusals");
    run.record("OutputInit", entry.init(), INKBAND_REFUSED);
    run.record("OutputComplete without a job", entry.complete(&run.job), INKBAND_REFUSED);
    run.record("OutputOpen", entry.open(&run.job), INKBAND_OPEN_OK);
    JobSettings settings = makeSettings(15, 0, 64);
    settings.resolution = 300;
    run.record("OutputInitPart before OutputInitTwo", entry.initPart(&run.job, &settings),
               INKBAND_WRONG_STATE);
    run.formFeed(100, INKBAND_NOT_OFFERED);
    run.record("OutputInitTwo size 375", entry.initTwo(&run.job, &settings, 375), INKBAND_REFUSED);
    run.record("OutputInitTwo", entry.initTwo(&run.job, &settings, INKBAND_SETTINGS_SIZE), 0);
    run.record("OutputInitTwo again", entry.initTwo(&run.job, &settings, INKBAND_SETTINGS_SIZE),
               INKBAND_NOT_OFFERED);
    run.record("OutputInitPart", entry.initPart(&run.job, &settings), 0);
    run.record("OutputProduce", entry.produce(&run.job), 0);
    run.record("OutputProduce again", entry.produce(&run.job), INKBAND_WRONG_STATE);
    run.complete(0);
    std::uint8_t bytes[8] = {0x00, 0x81, 0x7E, 0x00, 0xFF, 0xFF, 0xFF, 0x01};
    RasterLine line;
    std::memset(&line, 0, sizeof line);
    line.line = 1;
    for (int i = 0; i < 4; ++i) line.planes[i] = PlaneLine{bytes, 64, 0, 0, 0};
    run.produceTwo(line, 0);
    line.line = 2;
    run.produceTwo(line, INKBAND_WRONG_STATE);
    run.complete(0);
    run.formFeed(100, INKBAND_NOT_OFFERED);
    run.flush(0);
    run.complete(0);
    run.close();
    entry.close(&run.job);  // an empty slot is left alone
    entry.close(nullptr);
    run.note("OutputClose on an empty slot and on a null slot address");
}

// The alternate sequence, logged call by call without judging the results:
// the two builds must simply agree.
void runAlternateSequence(const EntryPoints& entry, Transcript& out) {
    Runner run{entry, out};
    run.note("job alternate sequence");
    run.record("OutputOpen", entry.open(&run.job), INKBAND_OPEN_OK);
    JobSettings settings = makeSettings(15, 0, 64);
    settings.altSequenceRequest = 1;
    settings.resolution = 600;
    run.record("OutputInitTwo", entry.initTwo(&run.job, &settings, INKBAND_SETTINGS_SIZE),
               kAnyStatus);
    run.record("OutputInitPart", entry.initPart(&run.job, &settings), kAnyStatus);
    std::uint8_t bytes[8] = {0xF0, 0x0F, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x80};
    RasterLine line;
    std::memset(&line, 0, sizeof line);
    line.line = 3;
    for (int i = 0; i < 4; ++i) line.planes[i] = PlaneLine{bytes, 64, 0, 0, 0};
    run.produceTwo(line, kAnyStatus);
    run.complete(kAnyStatus);
    run.formFeed(40, kAnyStatus);
    run.complete(kAnyStatus);
    run.flush(kAnyStatus);
    run.complete(kAnyStatus);
    run.close();
}

}  // namespace

bool bindEntryPoints(SymbolLookup lookup, void* library, EntryPoints& entry, std::string& missing) {
    missing.clear();
    auto bind = [&](auto& slot, const char* name) {
        void* address = lookup(library, name);
        if (address == nullptr) {
            missing += missing.empty() ? "" : " ";
            missing += name;
        }
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(address);
    };
    bind(entry.open, "OutputOpen");
    bind(entry.init, "OutputInit");
    bind(entry.initTwo, "OutputInitTwo");
    bind(entry.initPart, "OutputInitPart");
    bind(entry.produce, "OutputProduce");
    bind(entry.produceTwo, "OutputProduceTwo");
    bind(entry.complete, "OutputComplete");
    bind(entry.flush, "OutputFlush");
    bind(entry.formFeed, "OutputFormFeed");
    bind(entry.close, "OutputClose");
    return missing.empty();
}

const std::vector<std::uint8_t>& singleLinePageBytes() {
    static const std::vector<std::uint8_t> bytes = {
        // page header: ESC ( I 01, ESC ( J 08
        0x1B, 0x28, 0x49, 0x01, 0x00, 0x01, 0x1B, 0x28, 0x4A, 0x01, 0x00, 0x08,
        // plane selection: black alone
        0x1B, 0x28, 0x4C, 0x01, 0x00, 0x4B,
        // the black plane's band: two blank lines, line 2, five blank lines
        0x1B, 0x28, 0x46, 0x0C, 0x00, 0x80, 0x80, 0x00, 0x00, 0x00, 0xF0, 0x80, 0x80, 0x80, 0x80,
        0x80, 0x80};
    return bytes;
}

void runSingleLinePage(const EntryPoints& entry, Transcript& out) {
    Runner run{entry, out};
    run.note("job single line");
    run.record("OutputOpen", entry.open(&run.job), INKBAND_OPEN_OK);
    JobSettings settings = makeSettings(15, 0, 16);
    settings.resolution = 300;
    run.record("OutputInitTwo", entry.initTwo(&run.job, &settings, INKBAND_SETTINGS_SIZE), 0);
    run.record("OutputInitPart", entry.initPart(&run.job, &settings), 0);
    std::uint8_t black[2] = {0x00, 0xF0};
    RasterLine line;
    std::memset(&line, 0, sizeof line);
    line.line = 2;
    for (int i = 0; i < 3; ++i) line.planes[i] = PlaneLine{nullptr, 16, 0, 0, 0};
    line.planes[3] = PlaneLine{black, 16, 0, 0, 0};
    run.produceTwo(line, 0);
    run.complete(0);
    run.flush(0);
    run.complete(0);
    run.close();
}

void runSampleJobs(const EntryPoints& entry, Transcript& out) {
    runRefusals(entry, out);
    for (const JobSpec& job : kJobs) runJob(entry, out, job);
    runAlternateSequence(entry, out);
}

}  // namespace host
