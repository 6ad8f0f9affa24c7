#include "host/print_modes.h"

#include <cstdio>

namespace inkband::host {

namespace {

constexpr uint8_t kSecond = 0x80;  // marks the second printer plane of a split source

// Shorthands for the plane rows below.
constexpr SourcePlane plane(Ink ink, char letter, int bits, int maxLevel) {
    return {ink, letter, bits, false, maxLevel};
}
constexpr SourcePlane ternary(Ink ink, char letter) { return {ink, letter, 2, true, 2}; }
constexpr SourcePlane oneBit(Ink ink, char letter) { return plane(ink, letter, 1, 1); }
constexpr SourcePlane deep(Ink ink, char letter, int bits) {
    return plane(ink, letter, bits, (1 << bits) - 1);
}
constexpr WirePlane wire(char letter, int bits, bool packed = false) {
    return {static_cast<uint8_t>(letter), bits, packed};
}
constexpr WirePlane second(char letter, int bits) {
    return {static_cast<uint8_t>(letter | kSecond), bits, false};
}

constexpr Ink C = Ink::Cyan, M = Ink::Magenta, Y = Ink::Yellow, K = Ink::Black, k = Ink::LightBlack,
              H = Ink::H;

// Source planes of each mode, in the module's plane order.
constexpr SourcePlane kBlack[] = {oneBit(K, 'K')};
constexpr SourcePlane kCmyk1[] = {oneBit(C, 'C'), oneBit(M, 'M'), oneBit(Y, 'Y'), oneBit(K, 'K')};
constexpr SourcePlane kCmykT[] = {ternary(C, 'C'), ternary(M, 'M'), oneBit(Y, 'Y'), oneBit(K, 'K')};
constexpr SourcePlane kCmyk4[] = {deep(C, 'C', 4), deep(M, 'M', 4), deep(Y, 'Y', 2),
                                  oneBit(K, 'K')};
constexpr SourcePlane kCmykT_[] = {ternary(C, 'C'), ternary(M, 'M'), oneBit(Y, 'Y'),
                                   ternary(k, 'k')};
constexpr SourcePlane kCmyk4_[] = {deep(C, 'C', 4), deep(M, 'M', 4), deep(Y, 'Y', 2),
                                   deep(k, 'k', 2)};
constexpr SourcePlane kFiveT[] = {ternary(C, 'C'), ternary(M, 'M'), oneBit(Y, 'Y'), oneBit(K, 'K'),
                                  ternary(k, 'k')};
constexpr SourcePlane kFive4[] = {deep(C, 'C', 4), deep(M, 'M', 4), deep(Y, 'Y', 2),
                                  deep(k, 'k', 2), deep(H, 'H', 4)};
// The ten-plane modes print a level past a split table's length as
// nothing, so their planes stop at the last level with an entry.
constexpr SourcePlane kTenFine[] = {plane(C, 'C', 4, 9), plane(M, 'M', 4, 9), plane(Y, 'Y', 4, 7),
                                    plane(k, 'k', 4, 4), plane(H, 'H', 4, 9)};
constexpr SourcePlane kTenCoarse[] = {plane(C, 'C', 4, 4), plane(M, 'M', 4, 4), plane(Y, 'Y', 4, 4),
                                      plane(k, 'k', 4, 4), plane(H, 'H', 4, 9)};

// Printer planes of the modes that send their source planes as they are.
constexpr WirePlane kWireK[] = {wire('K', 1)};
constexpr WirePlane kWireCmyk1[] = {wire('C', 1), wire('M', 1), wire('Y', 1), wire('K', 1)};
constexpr WirePlane kWireCmykT[] = {wire('C', 2, true), wire('M', 2, true), wire('Y', 1),
                                    wire('K', 1)};
constexpr WirePlane kWireCmyk4[] = {wire('C', 4), wire('M', 4), wire('Y', 2), wire('K', 1)};
constexpr WirePlane kWireCmykT_[] = {wire('C', 2, true), wire('M', 2, true), wire('Y', 1),
                                     wire('k', 2, true)};
constexpr WirePlane kWireCmyk4_[] = {wire('C', 4), wire('M', 4), wire('Y', 2), wire('k', 2)};
constexpr WirePlane kWireFiveT[] = {wire('C', 2, true), wire('M', 2, true), wire('Y', 1),
                                    wire('K', 1), wire('k', 2, true)};
constexpr WirePlane kWireFive4[] = {wire('C', 4), wire('M', 4), wire('Y', 2), wire('k', 2),
                                    wire('H', 4)};
// The ten printer planes of the split modes: C M Y k H at 4 4 2 2 4 bits,
// then the same letters with bit 7 set at the same depths.
constexpr WirePlane kWireTen[] = {wire('C', 4),   wire('M', 4),   wire('Y', 2),   wire('k', 2),
                                  wire('H', 4),   second('C', 4), second('M', 4), second('Y', 2),
                                  second('k', 2), second('H', 4)};

// Printer values of each source level on the ten printer planes: row j is
// printer plane j, fed by source plane j % 5.
constexpr SplitPlane split(int source, std::initializer_list<uint8_t> values) {
    SplitPlane s{source, static_cast<int>(values.size()), {}};
    int v = 0;
    for (uint8_t value : values) s.table[v++] = value;
    return s;
}
constexpr SplitPlane kSplitFine[] = {
    split(0, {0, 0, 1, 3, 3, 6, 6, 4, 9, 9}),
    split(1, {0, 1, 1, 1, 3, 3, 6, 9, 8, 11}),
    split(2, {0, 1, 2, 2, 2, 3, 3, 3}),
    split(3, {0, 1, 2, 2, 2}),
    split(4, {0, 1, 1, 1, 3, 3, 6, 9, 8, 11}),
    split(0, {0, 1, 1, 1, 3, 3, 6, 9, 8, 11}),
    split(1, {0, 0, 1, 3, 3, 6, 6, 4, 9, 9}),
    split(2, {0, 0, 0, 1, 2, 1, 2, 3}),
    split(3, {0, 0, 0, 1, 2}),
    split(4, {0, 0, 1, 3, 3, 6, 6, 4, 9, 9}),
};
constexpr SplitPlane kSplitCoarse[] = {
    split(0, {0, 1, 1, 1, 2}),
    split(1, {0, 1, 1, 1, 2}),
    split(2, {0, 1, 2, 2, 2}),
    split(3, {0, 1, 2, 2, 2}),
    split(4, {0, 1, 1, 1, 2, 2, 5, 8, 7, 9}),
    split(0, {0, 0, 1, 2, 2}),
    split(1, {0, 0, 1, 2, 2}),
    split(2, {0, 0, 0, 1, 2}),
    split(3, {0, 0, 0, 1, 2}),
    split(4, {0, 0, 1, 2, 2, 5, 5, 3, 8, 8}),
};

// clang-format off
constexpr ModeInfo kModes[] = {
//   id  tool name           PPD name          summary
//       class row col  A  B  C  source planes, printer planes, split tables
    {1,  "black",            "Gray",           "black only, one 1-bit plane",
         1,    20,  0,  1, 0, 0, kBlack,     kWireK,      {}},
    {2,  "cmyk-1bit",        "CMYK1111",       "four 1-bit planes",
         3,    15,  0,  0, 0, 0, kCmyk1,     kWireCmyk1,  {}},
    {3,  "cmyk-ternary",     "CMYKTernary",    "ternary cyan and magenta, 1-bit yellow and black",
         3,    10,  0,  0, 0, 0, kCmykT,     kWireCmykT,  {}},
    {4,  "cmyk-4bit",        "CMYK",           "4-bit cyan and magenta, 2-bit yellow, 1-bit black",
         3,     5,  0,  0, 0, 0, kCmyk4,     kWireCmyk4,  {}},
    {5,  "cmy-lk-ternary",   "CMYLkTernary",   "ternary cyan, magenta and light black, 1-bit yellow",
         4,    10,  0,  0, 1, 0, kCmykT_,    kWireCmykT_, {}},
    {6,  "cmy-lk-4bit",      "CMYLk4422",      "4-bit cyan and magenta, 2-bit yellow and light black",
         4,    10, 27,  0, 0, 0, kCmyk4_,    kWireCmyk4_, {}},
    {7,  "cmyk-lk-ternary",  "CMYKLk",         "five planes: ternary C, M, k; 1-bit Y, K",
         5,    10,  7,  0, 0, 0, kFiveT,     kWireFiveT,  {}},
    {8,  "cmy-lk-h-4bit",    "CMYLkH",         "five planes: 4-bit C, M, H; 2-bit Y, k",
         8,     5, 15,  0, 0, 0, kFive4,     kWireFive4,  {}},
    {9,  "ten-plane-fine",   "TenPlane",       "ten planes split from five; levels 0-9 C M H, 0-7 Y, 0-4 k",
         7,     0, 51,  0, 0, 0, kTenFine,   kWireTen,    kSplitFine},
    {10, "ten-plane-coarse", "TenPlaneCoarse", "ten planes split from five; levels 0-9 H, 0-4 C M Y k",
         10,   10, 40,  1, 0, 0, kTenCoarse, kWireTen,    kSplitCoarse},
};
// clang-format on

// Every table row is consistent: one printer plane per source plane (or
// two, split), each split table covering its source plane's levels.
constexpr bool consistent(const ModeInfo& m) {
    if (m.split.empty()) {
        if (m.wires.size() != m.sources.size()) return false;
        for (std::size_t i = 0; i < m.sources.size(); ++i)
            if (m.wires[i].letter != static_cast<uint8_t>(m.sources[i].letter) ||
                m.wires[i].bits != m.sources[i].bits ||
                m.sources[i].maxLevel >= (1 << m.sources[i].bits) ||
                (m.sources[i].ternary && m.sources[i].maxLevel != 2))
                return false;
        return true;
    }
    if (m.split.size() != m.wires.size() || m.wires.size() != 2 * m.sources.size()) return false;
    for (const SplitPlane& s : m.split)
        if (s.length != m.sources[static_cast<std::size_t>(s.source)].maxLevel + 1) return false;
    return true;
}
constexpr bool allConsistent() {
    for (const ModeInfo& m : kModes)
        if (!consistent(m)) return false;
    return true;
}
static_assert(allConsistent());

bool sameName(std::string_view a, const char* b) {
    const std::string_view other(b);
    if (a.size() != other.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(other[i])) return false;
    }
    return true;
}

}  // namespace

std::span<const ModeInfo> allModes() { return kModes; }

const ModeInfo* findMode(std::string_view name) {
    for (const ModeInfo& m : kModes)
        if (sameName(name, m.name) || sameName(name, m.ppdName)) return &m;
    return nullptr;
}

const ModeInfo* findModeById(unsigned id) {
    for (const ModeInfo& m : kModes)
        if (m.id == id) return &m;
    return nullptr;
}

const ModeInfo* findModeByCodes(int16_t rowCode, int16_t columnCode, int16_t optionA,
                                int16_t optionB, int16_t optionC) {
    for (const ModeInfo& m : kModes)
        if (m.rowCode == rowCode && m.columnCode == columnCode && m.optionA == optionA &&
            m.optionB == optionB && m.optionC == optionC)
            return &m;
    return nullptr;
}

const ModeInfo& defaultMode() { return *findMode("cmyk-lk-ternary"); }

bool isBlackOnly(const ModeInfo& mode) {
    for (const SourcePlane& s : mode.sources)
        if (s.ink == Ink::Cyan) return false;
    return true;
}

std::string letterName(uint8_t letter) {
    std::string name(1, static_cast<char>(letter & 0x7F));
    if (letter & kSecond) name += '\'';
    return name;
}

std::string letterList(const std::vector<uint8_t>& letters) {
    std::string text;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        if (i > 0 && (letters[i] & kSecond) && !(letters[i - 1] & kSecond)) text += ' ';
        text += letterName(letters[i]);
    }
    return text;
}

std::string wireLetters(const ModeInfo& mode) {
    std::vector<uint8_t> letters;
    for (const WirePlane& w : mode.wires) letters.push_back(w.letter);
    return letterList(letters);
}

std::string depthList(const ModeInfo& mode) {
    std::string text;
    for (const SourcePlane& s : mode.sources) {
        if (!text.empty()) text += ' ';
        text += std::to_string(s.bits);
        if (s.ternary) text += 't';
    }
    return text;
}

std::string levelList(const ModeInfo& mode) {
    std::string levels;
    for (const SourcePlane& s : mode.sources) {
        if (!levels.empty()) levels += ' ';
        levels += s.letter;
        levels += " 0-";
        levels += std::to_string(s.maxLevel);
    }
    return levels;
}

std::string modeNames() {
    std::string text;
    for (const ModeInfo& m : kModes)
        text += (text.empty() ? "" : ", ") + std::string(m.name) + " (" + m.ppdName + ")";
    return text;
}

std::string modeTable() {
    std::string out;
    char line[256];
    std::snprintf(line, sizeof line, "%-17s %-15s %5s  %-18s %-14s %-31s  %s\n", "name",
                  "ColorModel", "class", "planes", "depths", "levels",
                  "settings: row column A B C");
    out += line;
    for (const ModeInfo& m : kModes) {
        std::snprintf(line, sizeof line, "%-17s %-15s %5d  %-18s %-14s %-31s  %d %d %d %d %d\n",
                      m.name, m.ppdName, m.modeClass, wireLetters(m).c_str(), depthList(m).c_str(),
                      levelList(m).c_str(), m.rowCode, m.columnCode, m.optionA, m.optionB,
                      m.optionC);
        out += line;
    }
    return out;
}

}  // namespace inkband::host
