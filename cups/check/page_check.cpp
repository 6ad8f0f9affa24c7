#include "page_check.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>

#include "host/job_settings.h"
#include "host/separation.h"
#include "page_setup.h"
#include "stream_levels.h"

namespace inkband::check {

namespace {

// Longest raster line read past when a page cannot be compared, as in the
// filter.
constexpr unsigned kMaxBytesPerLine = 1u << 26;

// The largest ordered-dither matrix (host/halftone.h), in pixels.
constexpr int kMatrixPeriod = 16;

// Rec. 601 luminance weights.
constexpr float kRed = 0.299f, kGreen = 0.587f, kBlue = 0.114f;

// The transmission of every level and every amount of each source plane,
// and the primaries the plane's ink absorbs.
struct InkModel {
    int planes = 0;
    bool red[host::kMaxSourcePlanes] = {}, green[host::kMaxSourcePlanes] = {},
         blue[host::kMaxSourcePlanes] = {};
    std::array<float, 16> level[host::kMaxSourcePlanes] = {};
    std::array<float, 256> amount[host::kMaxSourcePlanes] = {};
};

InkModel inkModelOf(const host::ModeInfo& mode) {
    InkModel m;
    m.planes = static_cast<int>(mode.sources.size());
    for (int p = 0; p < m.planes; ++p) {
        const host::SourcePlane& s = mode.sources[static_cast<std::size_t>(p)];
        const bool all =
            s.ink == host::Ink::Black || s.ink == host::Ink::LightBlack || s.ink == host::Ink::H;
        m.red[p] = all || s.ink == host::Ink::Cyan;
        m.green[p] = all || s.ink == host::Ink::Magenta;
        m.blue[p] = all || s.ink == host::Ink::Yellow;
        const float strength = s.ink == host::Ink::LightBlack ? 0.5f : 1.0f;
        for (int v = 0; v < 16; ++v)
            m.level[p][v] = 1 - strength * std::min(1.0f, static_cast<float>(v) / s.maxLevel);
        for (int a = 0; a < 256; ++a) m.amount[p][a] = 1 - strength * static_cast<float>(a) / 255;
    }
    return m;
}

// Darkness of pixel x from its levels (amounts false) or amounts.
float darknessAt(const InkModel& m, const std::vector<uint8_t>* values, int x, bool amounts) {
    float r = 1, g = 1, b = 1;
    for (int p = 0; p < m.planes; ++p) {
        const uint8_t v = values[p][static_cast<std::size_t>(x)];
        const float t = amounts ? m.amount[p][v] : m.level[p][v & 15];
        if (m.red[p]) r *= t;
        if (m.green[p]) g *= t;
        if (m.blue[p]) b *= t;
    }
    return 1 - (kRed * r + kGreen * g + kBlue * b);
}

// A raster pixel at full black: its black amount (K plus the grey
// component of C, M and Y; white-based grey already inverted) is full.
bool fullBlack(host::PixelFormat format, const uint8_t* p) {
    switch (format) {
        case host::PixelFormat::Grey:
            return p[0] == 255;
        case host::PixelFormat::Rgb:
            return p[0] == 0 && p[1] == 0 && p[2] == 0;
        case host::PixelFormat::Cmyk:
            return p[3] + std::min({p[0], p[1], p[2]}) >= 255;
    }
    return false;
}

// A patch in pixels: its box and, for tints, the interior that the mean
// darkness is taken over, with the sums gathered line by line.
struct PatchArea {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    int innerLeft = 0, innerTop = 0, innerRight = 0, innerBottom = 0;
    double darkness = 0, expected = 0;
    int64_t innerPixels = 0;
};

PatchArea areaOf(const Patch& patch, const cups_page_header2_t& header, int cellWidth,
                 int cellHeight) {
    const double xScale = header.HWResolution[0] / 72.0, yScale = header.HWResolution[1] / 72.0;
    // The raster's top left corner in page points: the page's, or, when the
    // raster covers the imageable area only (cupsfilter's gstoraster), the
    // area's.
    double left = 0;
    double top = header.cupsPageSize[1] > 0 ? header.cupsPageSize[1] : header.PageSize[1];
    if (top <= 0) top = header.cupsHeight / yScale;
    const float* box = header.cupsImagingBBox;
    if (box[2] > box[0] && std::abs((box[2] - box[0]) * xScale - header.cupsWidth) < 2 &&
        std::abs((box[3] - box[1]) * yScale - header.cupsHeight) < 2) {
        left = box[0];
        top = box[3];
    }
    const auto clampTo = [](double v, unsigned limit) {
        return static_cast<int>(std::clamp<long>(std::lround(v), 0, static_cast<long>(limit)));
    };
    PatchArea a;
    a.left = clampTo((patch.x - left) * xScale, header.cupsWidth);
    a.right = clampTo((patch.x + patch.w - left) * xScale, header.cupsWidth);
    a.top = clampTo((top - patch.y - patch.h) * yScale, header.cupsHeight);
    a.bottom = clampTo((top - patch.y) * yScale, header.cupsHeight);
    // In from each side by a cell (at most a quarter of the box), then to a
    // whole number of dither matrix periods where the patch is that large:
    // any such window of a flat tint holds every threshold equally often,
    // so its ordered dither averages to exactly the tint.
    const auto inner = [](int from, int to, int cell, int& innerFrom, int& innerTo) {
        const int inset = std::min(cell, (to - from) / 4);
        innerFrom = from + inset, innerTo = to - inset;
        const int trim =
            innerTo - innerFrom >= kMatrixPeriod ? (innerTo - innerFrom) % kMatrixPeriod : 0;
        innerFrom += trim / 2, innerTo -= trim - trim / 2;
    };
    inner(a.left, a.right, cellWidth, a.innerLeft, a.innerRight);
    inner(a.top, a.bottom, cellHeight, a.innerTop, a.innerBottom);
    return a;
}

// Per source plane, the sums of the cells of the current row of cells and
// the differences of the finished cells.
struct CellSums {
    std::vector<int64_t> levels, amounts;  // per cell of the row
    double differences = 0;
    double worst = 0;
    int64_t cells = 0;
};

void finishCellRow(CellSums& sums, int maxLevel, int width, int cellWidth, int rows) {
    for (std::size_t c = 0; c < sums.levels.size(); ++c) {
        const int columns = std::min(cellWidth, width - static_cast<int>(c) * cellWidth);
        const double pixels = static_cast<double>(columns) * rows;
        const double difference = std::abs(static_cast<double>(sums.levels[c]) / maxLevel -
                                           static_cast<double>(sums.amounts[c]) / 255) /
                                  pixels;
        sums.differences += difference;
        sums.worst = std::max(sums.worst, difference);
        ++sums.cells;
        sums.levels[c] = sums.amounts[c] = 0;
    }
}

bool skipLines(const cups_page_header2_t& header, const LineReader& readLine) {
    if (header.cupsBytesPerLine == 0 || header.cupsBytesPerLine > kMaxBytesPerLine) return false;
    std::vector<uint8_t> line(header.cupsBytesPerLine);
    for (unsigned y = 0; y < header.cupsHeight; ++y)
        if (!readLine(line.data(), header.cupsBytesPerLine)) return false;
    return true;
}

std::string percentText(double fraction) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", fraction * 100);
    return text;
}

// The stream's planes against the mode: no data on planes the mode does not
// have, none below the page.
void checkPlanesPresent(const decode::Page& page, const host::ModeInfo& mode, unsigned height,
                        std::vector<std::string>& faults) {
    for (const auto& [letter, data] : page.planes) {
        if (data.lines.empty()) continue;
        bool known = false;
        for (const host::WirePlane& w : mode.wires) known = known || w.letter == letter;
        if (!known)
            faults.push_back("data on plane " + host::letterName(letter) + ", which mode " +
                             mode.ppdName + " does not have");
        const int64_t last = data.lines.rbegin()->first;
        if (last >= static_cast<int64_t>(height) || data.lines.begin()->first < 0)
            faults.push_back("plane " + host::letterName(letter) + " has data on line " +
                             std::to_string(last) + ", below the page's " + std::to_string(height) +
                             " lines");
    }
}

// Faults of the patches once every line is in: tints that should print and
// do not, bar steps no darker than the one before, pale text.
void judgePatches(PageReport& report) {
    std::map<std::string, std::vector<const PatchFigure*>> bars;
    for (const PatchFigure& f : report.patches) {
        const Patch& p = f.patch;
        char where[96];
        std::snprintf(where, sizeof where, "%s %g %% at %g %g", p.name.c_str(), p.percent, p.x,
                      p.y);
        if (p.kind == PatchKind::Text) {
            if (f.blackPixels == 0)
                report.faults.push_back(std::string("text box ") + where +
                                        " holds no pixel at full black");
            else if (f.palePixels > 0) {
                char text[160];
                std::snprintf(text, sizeof text,
                              "text box %s: %lld of %lld full-black pixels print lighter than "
                              "%.2f (lightest %.3f)",
                              where, static_cast<long long>(f.palePixels),
                              static_cast<long long>(f.blackPixels), kTextDarkness, f.lightest);
                report.faults.push_back(text);
            }
            continue;
        }
        if (f.inked && !f.printed)
            report.faults.push_back(std::string("patch ") + where + " prints nothing");
        bars[p.name].push_back(&f);
    }
    // Steps only need to print darker where the separated raster is darker:
    // a tint that separates to the same amounts as the step before (yellow
    // steps of 1 % in the black-only mode) may print the same.
    for (auto& [name, steps] : bars) {
        std::stable_sort(steps.begin(), steps.end(),
                         [](const PatchFigure* a, const PatchFigure* b) {
                             return a->patch.percent < b->patch.percent;
                         });
        for (std::size_t i = 1; i < steps.size(); ++i) {
            const PatchFigure& before = *steps[i - 1];
            const PatchFigure& step = *steps[i];
            if (step.expected > before.expected + 1e-6 && step.darkness <= before.darkness) {
                char text[160];
                std::snprintf(text, sizeof text,
                              "bar %s: %g %% prints no darker than %g %% (darkness %.4f, %.4f; "
                              "separated %.4f, %.4f)",
                              name.c_str(), step.patch.percent, before.patch.percent, step.darkness,
                              before.darkness, step.expected, before.expected);
                report.faults.push_back(text);
            }
        }
    }
}

}  // namespace

PageReport checkPage(int number, const cups_page_header2_t& header, const LineReader& readLine,
                     const decode::Page* page, const std::vector<Patch>* patches) {
    PageReport report;
    report.number = number;
    report.width = header.cupsWidth;
    report.height = header.cupsHeight;
    report.xDpi = header.HWResolution[0];
    report.yDpi = header.HWResolution[1];
    filter::PageSetup setup;
    const std::string refused = filter::setUpPage(header, setup);
    if (!refused.empty() || page == nullptr) {
        report.faults.push_back(!refused.empty() ? "the filter refuses the page: " + refused
                                                 : "missing from the stream");
        if (!skipLines(header, readLine)) report.faults.push_back("cannot read past the page");
        return report;
    }

    const host::ModeInfo& mode = *setup.mode;
    report.mode = &mode;
    report.quality = setup.line.quality;
    report.inkLimit = setup.line.separation.inkLimit;
    report.bandHeight = page->bandHeight;
    const int expectedBand = host::bandHeightFor(setup.settings.resolution);
    if (page->bandHeight != expectedBand)
        report.faults.push_back("band height " + std::to_string(page->bandHeight) +
                                ", the filter's " + std::to_string(expectedBand));
    checkPlanesPresent(*page, mode, setup.height, report.faults);

    const int width = static_cast<int>(setup.width);
    const int height = static_cast<int>(setup.height);
    const int planes = static_cast<int>(mode.sources.size());
    report.cellWidth = std::max(1, static_cast<int>(std::lround(report.xDpi / 25.4)));
    report.cellHeight = std::max(1, static_cast<int>(std::lround(report.yDpi / 25.4)));
    const int cellWidth = report.cellWidth, cellHeight = report.cellHeight;
    const auto cellColumns = static_cast<std::size_t>((width + cellWidth - 1) / cellWidth);

    const host::Separation separation = host::makeSeparation(mode, setup.line.separation);
    const InkModel ink = inkModelOf(mode);
    LevelReader reader;
    startLevelReader(reader, *page, mode, width);
    LevelFaults levelFaults;
    std::vector<uint8_t> amounts[host::kMaxSourcePlanes], levels[host::kMaxSourcePlanes];
    uint8_t* amountRows[host::kMaxSourcePlanes] = {};
    CellSums cells[host::kMaxSourcePlanes];
    for (int p = 0; p < planes; ++p) {
        amounts[p].assign(static_cast<std::size_t>(width), 0);
        levels[p].assign(static_cast<std::size_t>(width), 0);
        amountRows[p] = amounts[p].data();
        cells[p].levels.assign(cellColumns, 0);
        cells[p].amounts.assign(cellColumns, 0);
    }

    std::vector<PatchArea> areas;
    if (patches != nullptr)
        for (const Patch& patch : *patches) {
            report.patches.push_back(PatchFigure{patch});
            areas.push_back(areaOf(patch, header, cellWidth, cellHeight));
        }

    const int step = host::bytesPerPixel(setup.format);
    std::vector<uint8_t> line(setup.bytesPerLine);
    int y = 0;
    for (; y < height; ++y) {
        if (!readLine(line.data(), setup.bytesPerLine)) {
            report.faults.push_back("the raster ends after " + std::to_string(y) + " of " +
                                    std::to_string(height) + " lines");
            break;
        }
        if (setup.invert)
            for (uint8_t& v : line) v = static_cast<uint8_t>(255 - v);
        host::separateLine(separation, setup.format, line.data(), width, amountRows);
        for (int p = 0; p < planes; ++p) {
            readSourceLine(reader, p, y, levels[p].data(), levelFaults);
            int64_t* levelSums = cells[p].levels.data();
            int64_t* amountSums = cells[p].amounts.data();
            const uint8_t* l = levels[p].data();
            const uint8_t* a = amounts[p].data();
            for (int x = 0; x < width; ++x) {
                levelSums[x / cellWidth] += l[x];
                amountSums[x / cellWidth] += a[x];
            }
        }
        if ((y + 1) % cellHeight == 0 || y + 1 == height)
            for (int p = 0; p < planes; ++p)
                finishCellRow(cells[p], mode.sources[static_cast<std::size_t>(p)].maxLevel, width,
                              cellWidth, y % cellHeight + 1);

        for (std::size_t i = 0; i < areas.size(); ++i) {
            PatchArea& area = areas[i];
            if (y < area.top || y >= area.bottom) continue;
            PatchFigure& figure = report.patches[i];
            const bool text = figure.patch.kind == PatchKind::Text;
            const bool inner = y >= area.innerTop && y < area.innerBottom;
            for (int x = area.left; x < area.right; ++x) {
                for (int p = 0; p < planes; ++p) {
                    figure.printed = figure.printed || levels[p][static_cast<std::size_t>(x)] != 0;
                    figure.inked = figure.inked || amounts[p][static_cast<std::size_t>(x)] != 0;
                }
                if (text) {
                    if (!fullBlack(setup.format, &line[static_cast<std::size_t>(x) * step]))
                        continue;
                    const double d = darknessAt(ink, levels, x, false);
                    ++figure.blackPixels;
                    figure.palePixels += d < kTextDarkness;
                    figure.lightest = std::min(figure.lightest, d);
                } else if (inner && x >= area.innerLeft && x < area.innerRight) {
                    area.darkness += darknessAt(ink, levels, x, false);
                    area.expected += darknessAt(ink, amounts, x, true);
                    ++area.innerPixels;
                }
            }
        }
    }
    if (y < height && y % cellHeight != 0)
        for (int p = 0; p < planes; ++p)
            finishCellRow(cells[p], mode.sources[static_cast<std::size_t>(p)].maxLevel, width,
                          cellWidth, y % cellHeight);

    for (int p = 0; p < planes; ++p) {
        const host::SourcePlane& s = mode.sources[static_cast<std::size_t>(p)];
        PlaneFigure figure;
        figure.letter = s.letter;
        figure.maxLevel = s.maxLevel;
        if (cells[p].cells > 0) figure.cellError = cells[p].differences / cells[p].cells;
        figure.worstCell = cells[p].worst;
        report.planes.push_back(figure);
        if (figure.cellError >= kMaxCellError)
            report.faults.push_back(std::string("plane ") + s.letter + ": cell error " +
                                    percentText(figure.cellError) + ", " +
                                    percentText(kMaxCellError) + " allowed");
    }
    if (levelFaults.badTernary > 0)
        report.faults.push_back(std::to_string(levelFaults.badTernary) +
                                " ternary bytes hold no five base-3 pixels");
    if (levelFaults.aboveMax > 0)
        report.faults.push_back(std::to_string(levelFaults.aboveMax) +
                                " pixels above their plane's highest level" +
                                (mode.isSplit() ? " (split pairs no level gives)" : ""));
    if (levelFaults.pastEdge > 0)
        report.faults.push_back(std::to_string(levelFaults.pastEdge) +
                                " inked pixels right of the page's edge");

    for (std::size_t i = 0; i < areas.size(); ++i)
        if (areas[i].innerPixels > 0) {
            report.patches[i].darkness = areas[i].darkness / areas[i].innerPixels;
            report.patches[i].expected = areas[i].expected / areas[i].innerPixels;
        }
    judgePatches(report);
    return report;
}

std::string pageText(const PageReport& r) {
    std::string text;
    char line[256];
    const std::string page = "page " + std::to_string(r.number);
    for (const PlaneFigure& f : r.planes) {
        std::snprintf(line, sizeof line,
                      "%s plane %c 0-%d: cell error %.2f %% (worst cell %.1f %%)\n", page.c_str(),
                      f.letter, f.maxLevel, f.cellError * 100, f.worstCell * 100);
        text += line;
    }
    std::map<std::string, std::vector<const PatchFigure*>> bars;
    for (const PatchFigure& f : r.patches) bars[f.patch.name].push_back(&f);
    for (const auto& [name, figures] : bars) {
        if (figures.front()->patch.kind == PatchKind::Text) {
            int64_t black = 0;
            double lightest = 1;
            for (const PatchFigure* f : figures) {
                black += f->blackPixels;
                lightest = std::min(lightest, f->lightest);
            }
            std::snprintf(line, sizeof line,
                          "%s text %s: %lld full-black pixels, the lightest at darkness %.3f\n",
                          page.c_str(), name.c_str(), static_cast<long long>(black), lightest);
        } else {
            int printed = 0;
            double lightest = 1, darkest = 0;
            for (const PatchFigure* f : figures) {
                printed += f->printed;
                lightest = std::min(lightest, f->darkness);
                darkest = std::max(darkest, f->darkness);
            }
            std::snprintf(line, sizeof line,
                          "%s bar %s: %zu patch(es), %d printed, darkness %.3f to %.3f\n",
                          page.c_str(), name.c_str(), figures.size(), printed, lightest, darkest);
        }
        text += line;
    }
    for (const std::string& fault : r.faults) text += page + ": FAULT: " + fault + "\n";
    if (r.mode != nullptr) {
        std::snprintf(line, sizeof line,
                      "%s: %ux%u at %ux%u dpi, mode %s, %s quality, ink limit %d %%, %d-row "
                      "bands: ",
                      page.c_str(), r.width, r.height, r.xDpi, r.yDpi, r.mode->ppdName,
                      host::qualityName(r.quality), r.inkLimit, r.bandHeight);
        text += line;
    } else {
        text += page + ": ";
    }
    text += r.faults.empty() ? "ok\n" : "FAILED\n";
    return text;
}

}  // namespace inkband::check
