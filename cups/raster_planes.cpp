#include "raster_planes.h"

#include <algorithm>
#include <cstring>

namespace inkband::filter {

namespace {

unsigned maxLevel(unsigned bits) { return (1u << bits) - 1u; }

bool anyNonZero(const uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (bytes[i] != 0) return true;
    return false;
}

// Banded conversion table: raster byte -> its 8 / inBits pixels mapped and
// packed at outBits each, first pixel in the top bits.
void buildByteMap(PlanePlan& plane, unsigned inBits) {
    const unsigned pixels = 8 / inBits;
    for (unsigned byte = 0; byte < 256; ++byte) {
        uint32_t packed = 0;
        for (unsigned k = 0; k < pixels; ++k) {
            const unsigned v = (byte >> (8 - inBits * (k + 1))) & maxLevel(inBits);
            packed = (packed << plane.outBits) | plane.levelMap[v];
        }
        plane.byteMap[byte] = packed;
    }
}

void convertBanded(PlanePlan& plane, const uint8_t* source, std::size_t sourceBytes,
                   unsigned inBits) {
    const unsigned chunk = (8 / inBits) * plane.outBits;  // output bits per raster byte
    uint8_t* out = plane.scratch.data();
    uint64_t accumulator = 0;
    unsigned pending = 0;
    for (std::size_t i = 0; i < sourceBytes; ++i) {
        accumulator = (accumulator << chunk) | plane.byteMap[source[i]];
        pending += chunk;
        while (pending >= 8) {
            pending -= 8;
            *out++ = static_cast<uint8_t>(accumulator >> pending);
        }
    }
    if (pending > 0) *out = static_cast<uint8_t>(accumulator << (8 - pending));
}

void convertChunky(PlanePlan& plane, const uint8_t* line, unsigned width, unsigned channels,
                   unsigned inBits) {
    uint8_t* out = plane.scratch.data();
    std::memset(out, 0, plane.outBytes);
    const unsigned mask = maxLevel(inBits);
    const unsigned outBits = plane.outBits;
    std::size_t bit = static_cast<std::size_t>(plane.channel) * inBits;
    const std::size_t step = static_cast<std::size_t>(channels) * inBits;
    for (unsigned p = 0; p < width; ++p, bit += step) {
        const unsigned v = (line[bit >> 3] >> (8 - inBits - (bit & 7))) & mask;
        const unsigned level = plane.levelMap[v];
        if (level == 0) continue;
        const std::size_t outBit = static_cast<std::size_t>(p) * outBits;
        out[outBit >> 3] |= static_cast<uint8_t>(level << (8 - outBits - (outBit & 7)));
    }
}

}  // namespace

uint8_t scaleLevel(unsigned v, unsigned inBits, const ModePlane& plane) {
    const unsigned top = maxLevel(inBits);
    const unsigned level = (2 * std::min(v, top) * plane.topLevel + top) / (2 * top);
    return static_cast<uint8_t>(std::min<unsigned>(level, plane.topLevel));
}

std::string planPage(const RasterFormat& format, const PrintMode& mode, PagePlan& plan) {
    if (format.width == 0 || format.height == 0) return "the page has no pixels";
    if (format.width > kMaxWidth)
        return "the page is " + std::to_string(format.width) + " pixels wide, more than the " +
               std::to_string(kMaxWidth) + " a line can hold";
    const char* channels = rasterChannels(format.colorSpace);
    if (channels == nullptr)
        return "colour space " + std::to_string(format.colorSpace) +
               " is not supported (black or CMYK only)";
    const unsigned bits = format.bitsPerColor;
    if (bits != 1 && bits != 2 && bits != 4)
        return std::to_string(bits) + " bits per colour are not supported (1, 2 or 4)";
    const auto channelCount = static_cast<unsigned>(std::strlen(channels));
    if (format.colorOrder != kOrderChunky && format.colorOrder != kOrderBanded)
        return "colour order " + std::to_string(format.colorOrder) +
               " is not supported (chunky or banded only)";

    plan.width = static_cast<int16_t>(format.width);
    plan.banded = format.colorOrder == kOrderBanded || channelCount == 1;
    plan.bitsPerColor = bits;
    plan.channelCount = channelCount;
    plan.channelBytes = (static_cast<std::size_t>(format.width) * bits + 7) / 8;
    const unsigned pixelBits = plan.banded ? bits : bits * channelCount;
    const std::size_t expectedLine =
        plan.banded ? plan.channelBytes * channelCount
                    : (static_cast<std::size_t>(format.width) * pixelBits + 7) / 8;
    if (format.bitsPerPixel != pixelBits || format.bytesPerLine != expectedLine)
        return "the header's " + std::to_string(format.bitsPerPixel) + " bits per pixel and " +
               std::to_string(format.bytesPerLine) + " bytes per line do not match its width " +
               "and colours (" + std::to_string(pixelBits) + " and " +
               std::to_string(expectedLine) + " expected)";
    plan.bytesPerLine = expectedLine;

    plan.planeCount = mode.planeCount;
    for (int i = 0; i < mode.planeCount; ++i) {
        const ModePlane& modePlane = mode.planes[i];
        PlanePlan& plane = plan.planes[i];
        const char* found = modePlane.source != 0 ? std::strchr(channels, modePlane.source) : nullptr;
        plane.channel = found != nullptr ? static_cast<int>(found - channels) : -1;
        plane.outBits = modePlane.bits;
        plane.outBytes = (static_cast<std::size_t>(format.width) * modePlane.bits + 7) / 8;
        bool identity = modePlane.bits == bits;
        for (unsigned v = 0; v <= maxLevel(bits); ++v) {
            plane.levelMap[v] = scaleLevel(v, bits, modePlane);
            if (plane.levelMap[v] != v) identity = false;
        }
        plane.inPlace = plan.banded && identity;
        plane.scratch.clear();
        if (plane.channel < 0 || plane.inPlace) continue;
        if (plan.banded) buildByteMap(plane, bits);
        // Banded conversion writes whole raster bytes' worth of pixels.
        const std::size_t converted = (plan.channelBytes * (8 / bits) * modePlane.bits + 7) / 8;
        plane.scratch.assign(std::max(converted, plane.outBytes) + 1, 0);
    }
    return {};
}

void splitLine(PagePlan& plan, uint8_t* line, RasterLine& out) {
    for (int i = 0; i < plan.planeCount; ++i) {
        PlanePlan& plane = plan.planes[i];
        PlaneLine& target = out.planes[i];
        target.width = plan.width;
        target.left = 0;
        target.right = 0;
        target.reserved = 0;
        target.data = nullptr;
        if (plane.channel < 0) continue;
        uint8_t* data = nullptr;
        if (plane.inPlace) {
            data = line + static_cast<std::size_t>(plane.channel) * plan.channelBytes;
        } else if (plan.banded) {
            const uint8_t* source =
                line + static_cast<std::size_t>(plane.channel) * plan.channelBytes;
            if (!anyNonZero(source, plan.channelBytes)) continue;
            convertBanded(plane, source, plan.channelBytes, plan.bitsPerColor);
            data = plane.scratch.data();
        } else {
            convertChunky(plane, line, static_cast<unsigned>(plan.width), plan.channelCount,
                          plan.bitsPerColor);
            data = plane.scratch.data();
        }
        if (anyNonZero(data, plane.outBytes)) target.data = data;
    }
}

}  // namespace inkband::filter
