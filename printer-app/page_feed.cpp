#include "page_feed.h"

#include <algorithm>
#include <cstring>

#include "raster_output.h"

namespace inkband::papp {

ContentArea contentArea(const pappl_pr_options_t& options, bool withinMargins) {
    const cups_page_header2_t& h = options.header;
    ContentArea area{0, 0, h.cupsWidth, h.cupsHeight};
    if (!withinMargins) return area;
    const unsigned xdpi = h.HWResolution[0], ydpi = h.HWResolution[1];
    const auto pixels = [](int hundredthsMm, unsigned dpi) {
        return static_cast<unsigned>(std::max(0, hundredthsMm)) * dpi / 2540;
    };
    const unsigned left = pixels(options.media.left_margin, xdpi);
    const unsigned right = pixels(options.media.right_margin, xdpi);
    const unsigned top = pixels(options.media.top_margin, ydpi);
    const unsigned bottom = pixels(options.media.bottom_margin, ydpi);
    if (left + right >= h.cupsWidth || top + bottom >= h.cupsHeight) return area;
    return {left, top, h.cupsWidth - left - right, h.cupsHeight - top - bottom};
}

PageResult feedPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                    unsigned page, const ContentArea& area, const RowSource& source,
                    std::vector<uint8_t>& line) {
    PageResult result;
    const cups_page_header2_t& h = options->header;
    const unsigned bytesPerPixel = h.cupsBitsPerPixel / 8;
    if (!startRasterPage(job, options, device, page)) return result;
    line.assign(h.cupsBytesPerLine, 255);
    const unsigned width = std::min(area.width, h.cupsWidth - std::min(area.left, h.cupsWidth));
    uint8_t* content = line.data() + std::size_t{area.left} * bytesPerPixel;
    bool sourceEnded = false;
    bool failed = false;
    for (unsigned y = 0; y < h.cupsHeight && !failed; ++y) {
        if (papplJobIsCanceled(job)) {
            result.cancelled = true;
            break;
        }
        const bool inside = y >= area.top && y - area.top < area.height;
        if (inside && !sourceEnded) {
            if (!source(y - area.top, content)) {
                sourceEnded = true;
                std::memset(content, 255, std::size_t{width} * bytesPerPixel);
                break;
            }
        } else if (y == area.top + area.height) {
            std::memset(content, 255, std::size_t{width} * bytesPerPixel);
        }
        failed = !writeRasterLine(job, options, device, y, line.data());
    }
    result.complete = !sourceEnded && !result.cancelled && !failed;
    result.printed = endRasterPage(job, options, device, page) && !failed;
    return result;
}

}  // namespace inkband::papp
