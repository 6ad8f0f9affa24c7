#include "session_runner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <memory>
#include <random>

#include "decoder/stream_decoder.h"
#include "inkband/inkband.h"
#include "platform/heap.h"
#include "session_script.h"
#include "support/page_model.h"

namespace fuzzsession {

namespace {

using namespace fuzzscript;
using Bytes = std::vector<uint8_t>;
using testjob::ModeCase;

[[noreturn]] void broken(const char* file, int line, const char* what, const std::string& detail) {
    std::fprintf(stderr, "\n*** session invariant broken (%s:%d): %s\n    %s\n", file, line, what,
                 detail.c_str());
    std::abort();
}

#define SESSION_CHECK(cond, detail)                               \
    do {                                                          \
        if (!(cond)) broken(__FILE__, __LINE__, #cond, (detail)); \
    } while (0)

struct Codes {
    int16_t row = 0, column = 0, optionA = 0, optionB = 0, optionC = 0;
};

struct JobConfig {
    Codes codes;
    int16_t resolution = 300;
    int16_t request = 0;
    int16_t lineWidth = 0;
};

JobSettings settingsOf(const Codes& codes, int16_t resolution, int16_t request, int16_t lineWidth) {
    JobSettings s;
    std::memset(&s, 0, sizeof s);
    s.modeRowCode = codes.row;
    s.modeColumnCode = codes.column;
    s.modeOptionA = codes.optionA;
    s.modeOptionB = codes.optionB;
    s.modeOptionC = codes.optionC;
    s.resolution = resolution;
    s.altSequenceRequest = request;
    s.lineWidth = lineWidth;
    return s;
}

// The reachable mode these exact codes name, or null.
const ModeCase* findMode(const Codes& c) {
    for (const ModeCase& m : testjob::reachableModes())
        if (m.rowCode == c.row && m.columnCode == c.column && m.optionA == c.optionA &&
            m.optionB == c.optionB && m.optionC == c.optionC)
            return &m;
    return nullptr;
}

bool isSplit(const ModeCase* mode) {
    return mode != nullptr && (mode->modeClass == 7 || mode->modeClass == 10);
}

int shiftOfDepth(int bits) { return bits == 1 ? 3 : bits == 2 ? 2 : 1; }

int16_t readResolution(ScriptReader& in) {
    uint8_t b = in.u8();
    if (b == 3) return in.i16();
    static constexpr int16_t kValues[3] = {300, 600, 360};
    return kValues[b % 3];
}

int16_t readRequest(ScriptReader& in) {
    uint8_t b = in.u8();
    if (b == 2) return in.i16();
    return static_cast<int16_t>(b & 1);
}

JobConfig readJobHeader(ScriptReader& in) {
    JobConfig cfg;
    uint8_t modeByte = in.u8();
    if (modeByte < kRawModeByte) {
        const auto& modes = testjob::reachableModes();
        const ModeCase& m = modes[modeByte % modes.size()];
        cfg.codes = {m.rowCode, m.columnCode, m.optionA, m.optionB, m.optionC};
    } else {
        cfg.codes.row = in.i16();
        cfg.codes.column = in.i16();
        cfg.codes.optionA = static_cast<int8_t>(in.u8());
        cfg.codes.optionB = static_cast<int8_t>(in.u8());
        cfg.codes.optionC = static_cast<int8_t>(in.u8());
    }
    cfg.resolution = readResolution(in);
    cfg.request = readRequest(in);
    uint16_t width = in.u16();
    if ((width & kWidthRaw) == kWidthRaw)
        cfg.lineWidth = static_cast<int16_t>(width & 0x7FFF);
    else if (width & 0x8000)
        cfg.lineWidth = static_cast<int16_t>(width);
    else
        cfg.lineWidth = static_cast<int16_t>(width % 1025);
    return cfg;
}

// One plane of the caller's line: a buffer of exactly the bytes its
// descriptor's span covers, so that any read or write beyond it is caught.
struct CallerPlane {
    std::unique_ptr<uint8_t[]> buffer;
    std::size_t size = 0;
    PlaneLine line{};
    Bytes before;  // content handed in
    bool null = true;
    bool stray = false;  // non-zero pixels may lie outside the span
};

// Clears every pixel of the buffer outside the descriptor's span.
void clearOutsideSpan(CallerPlane& plane, int shift) {
    const int bits = 8 >> shift;
    const int perByte = 8 / bits;
    const int64_t left = plane.line.left;
    const int64_t end = static_cast<int64_t>(plane.line.width) - plane.line.right;
    for (std::size_t i = 0; i < plane.size; ++i) {
        uint8_t keep = 0;
        for (int k = 0; k < perByte; ++k) {
            int64_t p = static_cast<int64_t>(i) * perByte + k;
            if (p >= left && p < end)
                keep |= static_cast<uint8_t>(((1 << bits) - 1) << (8 - bits * (k + 1)));
        }
        plane.buffer[i] &= keep;
    }
}

// What a page must decode to.
struct PageModel {
    const ModeCase* mode = nullptr;  // null: not modelled
    int bandHeight = 0;
    bool ended = false;
    std::map<uint8_t, std::map<int64_t, Bytes>> lines;  // letter -> line -> bytes
};

std::string hex(const Bytes& bytes) {
    std::string text;
    char cell[4];
    for (std::size_t i = 0; i < bytes.size() && i < 48; ++i) {
        std::snprintf(cell, sizeof cell, "%02X", bytes[i]);
        text += cell;
    }
    if (bytes.size() > 48) text += "...";
    return text.empty() ? "(empty)" : text;
}

// INKBAND_SESSION_TRACE=1 prints every raster line handed in, for triage.
bool trace() {
    static const bool on = std::getenv("INKBAND_SESSION_TRACE") != nullptr;
    return on;
}

std::string statusText(const char* call, long status) {
    return std::string(call) + " returned " + std::to_string(status);
}

class Session {
   public:
    explicit Session(ScriptReader& in) : in_(in) {}

    SessionReport run() {
        inkband::heapResetCounters();
        open();
        int ops = 0;
        while (!in_.done() && ops++ < kMaxOps) step(kOpOfByte[in_.u8() & 15]);
        finishJob();
        inkband::heapFailNth(0);
        SESSION_CHECK(inkband::heapCounters().liveBlocks == 0,
                      std::to_string(inkband::heapCounters().liveBlocks) +
                          " blocks live after every job was closed");
        return report_;
    }

   private:
    static constexpr int kMaxOps = 400;
    static constexpr int64_t kSkipBudget = 4500;  // skip commands per session
    int64_t skipsSpent_ = 0;

    ScriptReader& in_;
    SessionReport report_;
    OutputJob* job_ = nullptr;
    JobConfig cfg_;

    // What the module was told, as far as it matters for the checks.
    bool altTouched_ = false;  // some settings asked for the alternate sequence
    Codes jobCodes_;           // codes of the successful OutputInitTwo
    const ModeCase* pageMode_ = nullptr;
    bool pageModeKnown_ = false;
    std::vector<PageModel> pages_;
    int openPage_ = -1;
    int64_t lastLine_ = -1;
    bool endPending_ = false;  // a flush or form feed awaits its OutputComplete
    Bytes stream_;

    // The pieces of the last successful producing call.
    bool captured_ = false;
    PieceList* capturedList_ = nullptr;
    std::vector<Bytes> capturedPieces_;

    std::vector<CallerPlane> planes_;  // the planes of the current line

    int16_t checked(const char* call, int16_t status, std::initializer_list<int16_t> allowed) {
        ++report_.calls;
        SESSION_CHECK(std::find(allowed.begin(), allowed.end(), status) != allowed.end(),
                      statusText(call, status) + ", not one of its statuses");
        if (job_ == nullptr)
            SESSION_CHECK(status == INKBAND_REFUSED,
                          statusText(call, status) + " for a slot without a job");
        return status;
    }

    void resetModel() {
        altTouched_ = false;
        jobCodes_ = Codes{};
        pageMode_ = nullptr;
        pageModeKnown_ = false;
        pages_.clear();
        openPage_ = -1;
        lastLine_ = -1;
        endPending_ = false;
        stream_.clear();
        captured_ = false;
        capturedList_ = nullptr;
        capturedPieces_.clear();
    }

    void open() {
        cfg_ = readJobHeader(in_);
        resetModel();
        inkband::heapFailNth(in_.u8());
        long live = inkband::heapCounters().liveBlocks;
        int32_t result = OutputOpen(&job_);
        ++report_.calls;
        SESSION_CHECK(result == INKBAND_OPEN_OK || result == INKBAND_OPEN_FAILED,
                      statusText("OutputOpen", result));
        if (result == INKBAND_OPEN_OK) {
            SESSION_CHECK(job_ != nullptr, "OutputOpen succeeded with an empty slot");
        } else {
            SESSION_CHECK(job_ == nullptr, "OutputOpen failed and left a job in the slot");
            SESSION_CHECK(inkband::heapCounters().liveBlocks == live,
                          "OutputOpen failed and kept blocks");
        }
    }

    void step(Op op) {
        switch (op) {
            case kLine:
                line();
                break;
            case kComplete:
                complete();
                break;
            case kFlush:
                flush(false);
                break;
            case kInitPart:
                initPart();
                break;
            case kInitTwo:
                initTwo();
                break;
            case kFormFeed:
                formFeed(readFormLength(), false);
                break;
            case kProduce:
                produce();
                break;
            case kInit:
                ++report_.calls;
                SESSION_CHECK(OutputInit() == INKBAND_REFUSED, "OutputInit did not refuse");
                break;
            case kClose:
                finishJob();
                break;
            case kOpen:
                finishJob();
                open();
                break;
            case kFailAlloc:
                inkband::heapFailNth(in_.u8());
                break;
            case kNullCalls:
                nullCalls(in_.u8() % 6);
                break;
        }
    }

    // ---- producing calls and their pieces --------------------------------

    bool insideCallerBuffer(const uint8_t* p, std::size_t n) const {
        for (const CallerPlane& plane : planes_) {
            if (plane.size == 0) continue;
            const uint8_t* b = plane.buffer.get();
            if (p < b + plane.size && b < p + n) return true;
        }
        return false;
    }

    void capture(const char* call, PieceList* list) {
        SESSION_CHECK(list != nullptr, std::string(call) + " succeeded without a list");
        SESSION_CHECK(list->count >= 0, std::string(call) + " handed out a negative count");
        SESSION_CHECK(list->count == 0 || list->pieces != nullptr,
                      std::string(call) + " handed out pieces without an array");
        captured_ = true;
        capturedList_ = list;
        capturedPieces_.clear();
        for (int i = 0; i < list->count; ++i) {
            const Piece& piece = list->pieces[i];
            SESSION_CHECK(piece.length == 0 || piece.data != nullptr,
                          std::string(call) + ": piece " + std::to_string(i) + " has no data");
            SESSION_CHECK(!insideCallerBuffer(piece.data, piece.length),
                          std::string(call) + ": piece " + std::to_string(i) +
                              " points into the caller's plane bytes");
            capturedPieces_.emplace_back(piece.data, piece.data + piece.length);
            stream_.insert(stream_.end(), piece.data, piece.data + piece.length);
        }
    }

    void verifyCapture() {
        if (!captured_ || job_ == nullptr) return;
        const PieceList* list = capturedList_;
        SESSION_CHECK(list->count == static_cast<int>(capturedPieces_.size()),
                      "the piece count changed before OutputComplete: " +
                          std::to_string(capturedPieces_.size()) + " -> " +
                          std::to_string(list->count));
        for (int i = 0; i < list->count; ++i) {
            const Piece& piece = list->pieces[i];
            SESSION_CHECK(Bytes(piece.data, piece.data + piece.length) == capturedPieces_[i],
                          "piece " + std::to_string(i) + " changed before OutputComplete");
        }
    }

    void complete() {
        verifyCapture();
        int16_t status =
            checked("OutputComplete", OutputComplete(&job_),
                    {INKBAND_OK, INKBAND_REFUSED, INKBAND_WRONG_STATE, INKBAND_NOT_OFFERED});
        if (status != INKBAND_OK) return;
        captured_ = false;
        if (endPending_ && openPage_ >= 0) {
            pages_[openPage_].ended = true;
            openPage_ = -1;
        }
        endPending_ = false;
    }

    void flush(bool nullOut) {
        PieceList* list = nullptr;
        int16_t status = checked("OutputFlush", OutputFlush(&job_, nullOut ? nullptr : &list),
                                 {INKBAND_OK, INKBAND_REFUSED, INKBAND_NO_MEMORY,
                                  INKBAND_WRONG_STATE, INKBAND_NOT_OFFERED});
        if (nullOut) SESSION_CHECK(status != INKBAND_OK, "OutputFlush succeeded without out");
        if (status != INKBAND_OK) return;
        capture("OutputFlush", list);
        endPending_ = true;
    }

    int32_t readFormLength() {
        uint8_t b = in_.u8();
        if (b & 0x80) return in_.i32();
        return (b & 0x3F) * 8 + ((b & 0x40) ? 3 : 0);
    }

    void formFeed(int32_t length, bool nullOut) {
        PieceList* list = nullptr;
        int16_t status =
            checked("OutputFormFeed", OutputFormFeed(&job_, nullOut ? nullptr : &list, length),
                    {INKBAND_OK, INKBAND_REFUSED, INKBAND_NO_MEMORY, INKBAND_WRONG_STATE,
                     INKBAND_NOT_OFFERED});
        if (nullOut) SESSION_CHECK(status != INKBAND_OK, "OutputFormFeed succeeded without out");
        if (status != INKBAND_OK) return;
        capture("OutputFormFeed", list);
        endPending_ = true;
    }

    void produce() {
        int16_t status =
            checked("OutputProduce", OutputProduce(&job_),
                    {INKBAND_OK, INKBAND_REFUSED, INKBAND_WRONG_STATE, INKBAND_NOT_OFFERED});
        if (status == INKBAND_OK) {
            captured_ = false;
            endPending_ = false;
        }
    }

    // ---- initialisation --------------------------------------------------

    void initTwo() {
        uint8_t variant = in_.u8() & 3;
        int16_t size = INKBAND_SETTINGS_SIZE;
        int16_t request = cfg_.request;
        if (variant == 1) size = in_.i16();
        if (variant == 3) request = request == 1 ? 0 : 1;
        JobSettings s = settingsOf(cfg_.codes, cfg_.resolution, request, cfg_.lineWidth);
        if (request == 1) altTouched_ = true;
        const JobSettings* arg = variant == 2 ? nullptr : &s;
        int16_t status =
            checked("OutputInitTwo", OutputInitTwo(&job_, arg, size),
                    {INKBAND_OK, INKBAND_REFUSED, INKBAND_WRONG_STATE, INKBAND_NOT_OFFERED});
        if (arg == nullptr) SESSION_CHECK(status != INKBAND_OK, "OutputInitTwo without settings");
        if (status == INKBAND_OK) jobCodes_ = cfg_.codes;
    }

    void initPart() {
        uint8_t variant = in_.u8();
        Codes codes = cfg_.codes;
        int16_t resolution = cfg_.resolution;
        int16_t request = cfg_.request;
        if (variant & kPartOptions) {
            codes.optionA = static_cast<int8_t>(in_.u8());
            codes.optionB = static_cast<int8_t>(in_.u8());
            codes.optionC = static_cast<int8_t>(in_.u8());
        }
        if (variant & kPartResolution) resolution = readResolution(in_);
        if (variant & kPartRequest) request = 1;
        if (variant & kPartRawRequest) request = in_.i16();
        if (request == 1) altTouched_ = true;
        JobSettings s = settingsOf(codes, resolution, request, cfg_.lineWidth);
        const bool null = (variant & kPartNull) != 0;
        long live = inkband::heapCounters().liveBlocks;
        int16_t status = checked("OutputInitPart", OutputInitPart(&job_, null ? nullptr : &s),
                                 {INKBAND_OK, INKBAND_REFUSED, INKBAND_NO_MEMORY,
                                  INKBAND_WRONG_STATE, INKBAND_NOT_OFFERED});
        if (null) SESSION_CHECK(status != INKBAND_OK, "OutputInitPart without settings");
        if (status == INKBAND_NO_MEMORY)
            SESSION_CHECK(inkband::heapCounters().liveBlocks == live,
                          "a refused OutputInitPart kept " +
                              std::to_string(inkband::heapCounters().liveBlocks - live) +
                              " blocks");
        if (status != INKBAND_OK) return;
        Codes pageCodes = jobCodes_;
        pageCodes.optionA = codes.optionA;
        pageCodes.optionB = codes.optionB;
        pageCodes.optionC = codes.optionC;
        pageMode_ = findMode(pageCodes);
        pageModeKnown_ = true;
        PageModel page;
        page.mode = pageMode_;
        page.bandHeight = resolution == 300 || request == 1 ? 8 : resolution == 600 ? 16 : 1;
        pages_.push_back(page);
        openPage_ = static_cast<int>(pages_.size()) - 1;
        lastLine_ = -1;
        endPending_ = false;
    }

    // ---- raster lines ----------------------------------------------------

    int16_t spanEdge(uint8_t b, int16_t width) {
        int v = b < 128 ? b : width - (b - 128);
        return static_cast<int16_t>(
            std::clamp(v, 0, static_cast<int>(std::max<int16_t>(width, 0))));
    }

    void fill(CallerPlane& plane, uint8_t kind) {
        uint8_t* b = plane.buffer.get();
        std::memset(b, 0, plane.size);
        switch (kind & 0x30) {
            case kFillScript:
                in_.bytes(b, plane.size);
                break;
            case kFillNoise: {
                std::minstd_rand rng(in_.u8() + 1u);
                for (std::size_t i = 0; i < plane.size; ++i) b[i] = static_cast<uint8_t>(rng());
                break;
            }
            case kFillRuns: {
                std::minstd_rand rng(in_.u8() + 1u);
                for (std::size_t i = 0; i < plane.size;) {
                    std::size_t run = 1 + rng() % 300;
                    uint8_t value = rng() % 3 == 0 ? 0 : static_cast<uint8_t>(rng());
                    for (; run > 0 && i < plane.size; --run) b[i++] = value;
                }
                break;
            }
            default:
                std::memset(b, 0xFF, plane.size);
                break;
        }
    }

    // Reads one plane record and makes its buffer.
    CallerPlane readPlane(int shift) {
        CallerPlane plane;
        uint8_t kind = in_.u8();
        const int16_t lineWidth = cfg_.lineWidth;
        PlaneLine& d = plane.line;
        switch (kind & 7) {
            case kPlaneNull:
                return plane;
            case kPlaneBlank:
                d.width = lineWidth;
                d.left = lineWidth;
                break;
            case kPlaneRaw:
                d.width = in_.i16();
                d.left = in_.i16();
                d.right = in_.i16();
                break;
            case kPlaneNarrow: {
                int top = std::max<int>(lineWidth, 0) + 1;
                d.width = static_cast<int16_t>(in_.u16() % top);
                d.left = spanEdge(in_.u8(), d.width);
                d.right = spanEdge(in_.u8(), d.width);
                break;
            }
            default:
                d.width = lineWidth;
                d.left = spanEdge(in_.u8(), d.width);
                d.right = spanEdge(in_.u8(), d.width);
                break;
        }
        if ((kind & 7) != kPlaneRaw && d.left + d.right > d.width)
            d.right = static_cast<int16_t>(std::max(0, d.width - d.left));
        plane.null = false;
        // Exactly the bytes up to the span's last pixel; none for a span that
        // is empty, so that reading any byte of it is caught.
        int32_t lastPixel = static_cast<int32_t>(d.width) - d.right - 1;
        bool blank = d.left == d.width || static_cast<int32_t>(d.left) + d.right == d.width;
        plane.size =
            !blank && lastPixel >= 0 ? static_cast<std::size_t>((lastPixel >> shift) + 1) : 0;
        plane.buffer.reset(new uint8_t[plane.size]);
        fill(plane, kind);
        if (kind & kStrayPixels)
            plane.stray = plane.size != 0;
        else
            clearOutsideSpan(plane, shift);
        plane.before.assign(plane.buffer.get(), plane.buffer.get() + plane.size);
        d.data = plane.buffer.get();
        return plane;
    }

    int32_t readLineNumber(uint8_t mode) {
        int64_t number;
        switch (mode & 7) {
            case kLineGap:
                number = lastLine_ + 2 + in_.u8();
                break;
            case kLineJump:
                number = lastLine_ + 1 + in_.u16();
                break;
            case kLineRaw:
                number = in_.i32();
                break;
            case kLineSame:
                number = std::max<int64_t>(lastLine_, 0);
                break;
            default:
                number = lastLine_ + 1;
                break;
        }
        number = std::min<int64_t>(number, INT32_MAX);
        // Blank bands between lines go out as skip commands of up to 32767
        // bands each, and every command piece costs the module a walk along
        // its command chain.  A few long jumps reach the far lines; beyond
        // a budget per session a jump becomes the next line.
        const int64_t bandHeight = openPage_ >= 0 ? pages_[openPage_].bandHeight : 1;
        const int64_t skips = (number - std::max<int64_t>(lastLine_, 0)) / bandHeight / 32767;
        if (skips > 0) {
            if (skips > kSkipBudget - skipsSpent_)
                return static_cast<int32_t>(std::min<int64_t>(lastLine_ + 1, INT32_MAX));
            skipsSpent_ += skips;
        }
        return static_cast<int32_t>(number);
    }

    void line() {
        uint8_t mode = in_.u8();
        int32_t number = readLineNumber(mode);
        const ModeCase* known = pageModeKnown_ ? pageMode_ : nullptr;
        const std::size_t count =
            known != nullptr ? known->depths.size() : INKBAND_MAX_SOURCE_PLANES;
        planes_.clear();
        RasterLine raster{};
        raster.line = number;
        for (std::size_t i = 0; i < count; ++i) {
            planes_.push_back(readPlane(known != nullptr ? shiftOfDepth(known->depths[i]) : 1));
            raster.planes[i] = planes_.back().line;
        }
        const bool nullRecord = (mode & kLineNullRecord) != 0;
        const bool nullOut = (mode & kLineNullOut) != 0;
        PieceList* list = nullptr;
        int16_t status = checked(
            "OutputProduceTwo",
            OutputProduceTwo(&job_, nullRecord ? nullptr : &raster, nullOut ? nullptr : &list),
            {INKBAND_OK, INKBAND_REFUSED, INKBAND_NO_MEMORY, INKBAND_WRONG_STATE,
             INKBAND_NOT_OFFERED});
        if (trace()) {
            std::fprintf(stderr, "line %d -> %d:", number, status);
            for (const CallerPlane& p : planes_)
                std::fprintf(stderr, " [%s w%d l%d r%d %s]", p.null ? "null" : "data", p.line.width,
                             p.line.left, p.line.right, hex(p.before).c_str());
            std::fprintf(stderr, "\n");
        }
        if (nullRecord || nullOut)
            SESSION_CHECK(status != INKBAND_OK, "OutputProduceTwo succeeded with a null argument");
        // Ordinary modes only read the caller's bytes, and so does every
        // call refused before its work; the ten-plane split may clear
        // pixels outside the span, and nothing else.
        const bool mayRewrite = (known == nullptr || isSplit(known)) &&
                                (status == INKBAND_OK || status == INKBAND_NO_MEMORY) &&
                                !nullRecord && !nullOut;
        for (std::size_t i = 0; i < planes_.size(); ++i) {
            const CallerPlane& p = planes_[i];
            if (p.size == 0 || std::memcmp(p.buffer.get(), p.before.data(), p.size) == 0) continue;
            SESSION_CHECK(mayRewrite, "OutputProduceTwo (status " + std::to_string(status) +
                                          ") wrote into the caller's plane " + std::to_string(i));
            if (known != nullptr)
                checkSplitRewrite(p, shiftOfDepth(known->depths[i]), static_cast<int>(i));
        }
        if (status == INKBAND_OK) {
            capture("OutputProduceTwo", list);
            endPending_ = false;
            lastLine_ = number;
            recordLine(number, known);
        }
        planes_.clear();
    }

    // What the split may do to a caller's plane: clear a pixel outside the
    // span; pixels inside it keep their value.
    static void checkSplitRewrite(const CallerPlane& p, int shift, int index) {
        const int bits = 8 >> shift;
        const int perByte = 8 / bits;
        const int64_t end = static_cast<int64_t>(p.line.width) - p.line.right;
        for (std::size_t i = 0; i < p.size; ++i) {
            for (int k = 0; k < perByte; ++k) {
                const int at = 8 - bits * (k + 1);
                const int was = (p.before[i] >> at) & ((1 << bits) - 1);
                const int now = (p.buffer[i] >> at) & ((1 << bits) - 1);
                const int64_t pixel = static_cast<int64_t>(i) * perByte + k;
                const bool inside = pixel >= p.line.left && pixel < end;
                SESSION_CHECK(now == was || (!inside && now == 0),
                              "the split changed pixel " + std::to_string(pixel) + " of plane " +
                                  std::to_string(index) + " from " + std::to_string(was) + " to " +
                                  std::to_string(now));
            }
        }
    }

    void recordLine(int32_t number, const ModeCase* mode) {
        if (openPage_ < 0) return;
        PageModel& page = pages_[openPage_];
        bool stray = false;
        for (const CallerPlane& p : planes_) stray = stray || p.stray;
        if (mode == nullptr || isSplit(mode) || stray) {
            page.mode = nullptr;
            return;
        }
        for (std::size_t i = 0; i < planes_.size(); ++i) {
            const CallerPlane& p = planes_[i];
            testjob::PlaneSpec planeSpec;
            planeSpec.null = p.null;
            planeSpec.bytes = p.before;
            planeSpec.width = p.line.width;
            planeSpec.left = p.line.left;
            planeSpec.right = p.line.right;
            Bytes want = testjob::expectedOrdinaryLine(planeSpec, mode->depths[i], mode->ternary[i]);
            if (!want.empty()) page.lines[mode->letters[i]][number] = std::move(want);
        }
    }

    // ---- null and empty arguments ----------------------------------------

    void nullCalls(int which) {
        PieceList* list = nullptr;
        RasterLine raster{};
        raster.line = static_cast<int32_t>(lastLine_ + 1);
        JobSettings s = settingsOf(cfg_.codes, cfg_.resolution, 0, cfg_.lineWidth);
        switch (which) {
            case 0: {
                OutputJob* empty = nullptr;
                for (OutputJob** slot : {static_cast<OutputJob**>(nullptr), &empty}) {
                    report_.calls += 9;
                    const int16_t statuses[] = {
                        OutputInitTwo(slot, &s, INKBAND_SETTINGS_SIZE),
                        OutputInitPart(slot, &s),
                        OutputProduce(slot),
                        OutputProduceTwo(slot, &raster, &list),
                        OutputComplete(slot),
                        OutputFlush(slot, &list),
                        OutputFormFeed(slot, &list, 8),
                    };
                    for (int16_t status : statuses)
                        SESSION_CHECK(status == INKBAND_REFUSED,
                                      statusText("an entry point without a job", status));
                    OutputClose(slot);
                    SESSION_CHECK(empty == nullptr, "OutputClose filled an empty slot");
                }
                ++report_.calls;
                SESSION_CHECK(OutputOpen(nullptr) == INKBAND_OPEN_FAILED,
                              "OutputOpen accepted a null slot address");
                break;
            }
            case 1:
            case 2: {
                int16_t status =
                    checked("OutputProduceTwo",
                            OutputProduceTwo(&job_, which == 1 ? nullptr : &raster,
                                             which == 1 ? &list : nullptr),
                            {INKBAND_REFUSED, INKBAND_WRONG_STATE, INKBAND_NOT_OFFERED});
                (void)status;
                break;
            }
            case 3:
                flush(true);
                break;
            case 4:
                formFeed(8, true);
                break;
            default:
                checked("OutputInitPart", OutputInitPart(&job_, nullptr),
                        {INKBAND_REFUSED, INKBAND_WRONG_STATE, INKBAND_NOT_OFFERED});
                checked("OutputInitTwo", OutputInitTwo(&job_, nullptr, INKBAND_SETTINGS_SIZE),
                        {INKBAND_REFUSED, INKBAND_WRONG_STATE, INKBAND_NOT_OFFERED});
                break;
        }
    }

    // ---- end of a job ----------------------------------------------------

    // Ends the page in hand (if the job lets it), closes the job and checks
    // its stream.
    void finishJob() {
        inkband::heapFailNth(0);
        if (job_ != nullptr) {
            complete();
            flush(false);
            complete();
            OutputClose(&job_);
            SESSION_CHECK(job_ == nullptr, "OutputClose left the slot filled");
            checkStream();
        }
        resetModel();
    }

    void checkStream() {
        namespace decode = inkband::decode;
        report_.streams.push_back(stream_);
        decode::StreamResult decoded = decode::decodeStream(stream_);
        SESSION_CHECK(decoded.status.ok,
                      "the job's stream does not decode: " + decoded.status.describe());
        if (altTouched_) return;
        for (const PageModel& page : pages_)
            if (!page.ended) return;
        SESSION_CHECK(decoded.pages.size() == pages_.size(),
                      std::to_string(pages_.size()) + " pages ended, " +
                          std::to_string(decoded.pages.size()) + " decoded");
        for (std::size_t p = 0; p < pages_.size(); ++p) {
            const PageModel& want = pages_[p];
            if (want.mode == nullptr) continue;
            const decode::Page& got = decoded.pages[p];
            const std::string where = "page " + std::to_string(p) + " (" + want.mode->name + ")";
            SESSION_CHECK(got.bandHeight == want.bandHeight,
                          where + ": band height " + std::to_string(got.bandHeight));
            for (const auto& [letter, plane] : got.planes) {
                bool ours = std::find(want.mode->letters.begin(), want.mode->letters.end(),
                                      letter) != want.mode->letters.end();
                SESSION_CHECK(ours || plane.lines.empty(),
                              where + ": data for a plane the mode does not have");
            }
            for (uint8_t letter : want.mode->letters) {
                std::map<int64_t, Bytes> gotLines;
                auto found = got.planes.find(letter);
                if (found != got.planes.end())
                    for (const auto& [number, bytes] : found->second.lines) {
                        Bytes trimmed = bytes;
                        while (!trimmed.empty() && trimmed.back() == 0) trimmed.pop_back();
                        if (!trimmed.empty()) gotLines[number] = trimmed;
                    }
                auto expected = want.lines.find(letter);
                const std::map<int64_t, Bytes> none;
                const auto& wantLines = expected != want.lines.end() ? expected->second : none;
                if (gotLines != wantLines) {
                    std::string detail = where + ", plane " + std::to_string(letter) + ":";
                    for (const auto& [n, b] : wantLines)
                        if (gotLines.count(n) == 0 || gotLines.at(n) != b)
                            detail += " line " + std::to_string(n) + " want " + hex(b) + " got " +
                                      (gotLines.count(n) != 0 ? hex(gotLines.at(n)) : "none") + ";";
                    for (const auto& [n, b] : gotLines)
                        if (wantLines.count(n) == 0)
                            detail += " line " + std::to_string(n) + " extra;";
                    SESSION_CHECK(gotLines == wantLines, detail);
                }
                report_.comparedLines += static_cast<long>(wantLines.size());
            }
            ++report_.comparedPages;
        }
    }
};

}  // namespace

SessionReport runSession(const uint8_t* data, std::size_t size) {
    ScriptReader in(data, size);
    Session session(in);
    return session.run();
}

}  // namespace fuzzsession
