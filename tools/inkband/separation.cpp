#include "inkband/separation.h"

#include <algorithm>

namespace inkband::tool {

InkSet inkSetOf(const ModeInfo& mode) {
    InkSet set;
    for (const SourcePlane& s : mode.sources) {
        set.colour |= s.ink == Ink::Cyan;
        set.black |= s.ink == Ink::Black;
        set.lightBlack |= s.ink == Ink::LightBlack;
        set.h |= s.ink == Ink::H;
    }
    return set;
}

InkAmounts separatePixel(uint8_t r, uint8_t g, uint8_t b, const InkSet& inks,
                         const SeparationSettings& settings) {
    InkAmounts out{};
    auto set = [&](Ink ink, float v) { out[static_cast<int>(ink)] = std::clamp(v, 0.0f, 1.0f); };
    if (!inks.colour) {
        // One black plane: darkness by luma.
        set(Ink::Black, 1.0f - (0.299f * r + 0.587f * g + 0.114f * b) / 255.0f);
        return out;
    }
    const float c = 1.0f - r / 255.0f, m = 1.0f - g / 255.0f, y = 1.0f - b / 255.0f;
    const float grey = std::min({c, m, y});
    const float black = grey * std::clamp(settings.gcr, 0.0f, 1.0f);
    set(Ink::Cyan, c - black);
    set(Ink::Magenta, m - black);
    set(Ink::Yellow, y - black);

    const float light = black <= 0.5f ? 2.0f * black : 2.0f - 2.0f * black;
    const float dark = std::max(0.0f, 2.0f * black - 1.0f);
    if (inks.black && inks.lightBlack) {
        set(Ink::LightBlack, light);
        set(Ink::Black, dark);
    } else if (inks.black) {
        set(Ink::Black, black);
    } else if (inks.lightBlack && inks.h) {
        set(Ink::LightBlack, light);
        set(Ink::H, dark);
    } else if (inks.lightBlack) {
        set(Ink::LightBlack, black);
    }
    return out;
}

}  // namespace inkband::tool
