#include "inkband/modes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace inkband::tool {

namespace {

constexpr uint8_t kSecond = 0x80;  // marks the second printer plane of a split source

// Shorthands for the source-plane rows below.
SourcePlane plane(Ink ink, char letter, int bits, int maxLevel) {
    return {ink, letter, bits, false, maxLevel};
}
SourcePlane ternary(Ink ink, char letter) { return {ink, letter, 2, true, 2}; }
SourcePlane oneBit(Ink ink, char letter) { return plane(ink, letter, 1, 1); }
SourcePlane deep(Ink ink, char letter, int bits) {
    return plane(ink, letter, bits, (1 << bits) - 1);
}

std::vector<WirePlane> wiresOf(const std::vector<SourcePlane>& sources) {
    std::vector<WirePlane> wires;
    for (const SourcePlane& s : sources)
        wires.push_back({static_cast<uint8_t>(s.letter), s.bits, s.ternary});
    return wires;
}

// The ten printer planes of the split modes: C M Y k H at 4 4 2 2 4 bits,
// then the same letters with bit 7 set at the same depths.
std::vector<WirePlane> tenPlaneWires() {
    const char letters[] = {'C', 'M', 'Y', 'k', 'H'};
    const int bits[] = {4, 4, 2, 2, 4};
    std::vector<WirePlane> wires;
    for (int half = 0; half < 2; ++half)
        for (int i = 0; i < 5; ++i)
            wires.push_back(
                {static_cast<uint8_t>(letters[i] | (half ? kSecond : 0)), bits[i], false});
    return wires;
}

// Printer values of each source level on the ten printer planes: row j is
// printer plane j, fed by source plane j % 5.  A level past the row's length
// prints nothing, so the tool never halftones past it.
std::vector<SplitPlane> splitTables(const std::vector<std::vector<uint8_t>>& rows) {
    std::vector<SplitPlane> split;
    for (std::size_t j = 0; j < rows.size(); ++j) {
        SplitPlane s{static_cast<int>(j % 5), static_cast<int>(rows[j].size()), {}};
        for (std::size_t v = 0; v < rows[j].size(); ++v) s.table[v] = rows[j][v];
        split.push_back(s);
    }
    return split;
}

std::vector<ModeInfo> buildModes() {
    using I = Ink;
    const auto C = I::Cyan, M = I::Magenta, Y = I::Yellow, K = I::Black, k = I::LightBlack,
               H = I::H;
    std::vector<ModeInfo> modes;
    auto add = [&](ModeInfo m) {
        if (m.wires.empty()) m.wires = wiresOf(m.sources);
        modes.push_back(std::move(m));
    };
    //   name  PPD name  summary                                   class row col  A  B  C
    add({"black",
         "Gray",
         "black only, one 1-bit plane",
         1,
         15,
         0,
         1,
         0,
         0,
         {oneBit(K, 'K')},
         {},
         {}});
    add({"cmyk-1bit",
         "CMYK",
         "four 1-bit planes",
         3,
         15,
         0,
         0,
         0,
         0,
         {oneBit(C, 'C'), oneBit(M, 'M'), oneBit(Y, 'Y'), oneBit(K, 'K')},
         {},
         {}});
    add({"cmyk-ternary",
         "CMYKTernary",
         "ternary cyan and magenta, 1-bit yellow and black",
         3,
         10,
         0,
         0,
         0,
         0,
         {ternary(C, 'C'), ternary(M, 'M'), oneBit(Y, 'Y'), oneBit(K, 'K')},
         {},
         {}});
    add({"cmyk-4bit",
         "CMYK4421",
         "4-bit cyan and magenta, 2-bit yellow, 1-bit black",
         3,
         5,
         0,
         0,
         0,
         0,
         {deep(C, 'C', 4), deep(M, 'M', 4), deep(Y, 'Y', 2), oneBit(K, 'K')},
         {},
         {}});
    add({"cmy-lk-ternary",
         "CMYLkTernary",
         "ternary cyan, magenta and light black, 1-bit yellow",
         4,
         10,
         0,
         0,
         1,
         0,
         {ternary(C, 'C'), ternary(M, 'M'), oneBit(Y, 'Y'), ternary(k, 'k')},
         {},
         {}});
    add({"cmy-lk-4bit",
         "CMYLk4422",
         "4-bit cyan and magenta, 2-bit yellow and light black",
         4,
         10,
         27,
         0,
         0,
         0,
         {deep(C, 'C', 4), deep(M, 'M', 4), deep(Y, 'Y', 2), deep(k, 'k', 2)},
         {},
         {}});
    add({"cmyk-lk-ternary",
         "CMYKLk",
         "five planes: ternary C, M, k; 1-bit Y, K",
         5,
         10,
         7,
         0,
         0,
         0,
         {ternary(C, 'C'), ternary(M, 'M'), oneBit(Y, 'Y'), oneBit(K, 'K'), ternary(k, 'k')},
         {},
         {}});
    add({"cmy-lk-h-4bit",
         "CMYLkH",
         "five planes: 4-bit C, M, H; 2-bit Y, k",
         8,
         5,
         15,
         0,
         0,
         0,
         {deep(C, 'C', 4), deep(M, 'M', 4), deep(Y, 'Y', 2), deep(k, 'k', 2), deep(H, 'H', 4)},
         {},
         {}});
    add({"ten-plane-fine",
         "TenPlane",
         "ten planes split from five; levels 0-9 C M H, 0-7 Y, 0-4 k",
         7,
         0,
         51,
         0,
         0,
         0,
         {plane(C, 'C', 4, 9), plane(M, 'M', 4, 9), plane(Y, 'Y', 4, 7), plane(k, 'k', 4, 4),
          plane(H, 'H', 4, 9)},
         tenPlaneWires(),
         splitTables({
             {0, 0, 1, 3, 3, 6, 6, 4, 9, 9},
             {0, 1, 1, 1, 3, 3, 6, 9, 8, 11},
             {0, 1, 2, 2, 2, 3, 3, 3},
             {0, 1, 2, 2, 2},
             {0, 1, 1, 1, 3, 3, 6, 9, 8, 11},
             {0, 1, 1, 1, 3, 3, 6, 9, 8, 11},
             {0, 0, 1, 3, 3, 6, 6, 4, 9, 9},
             {0, 0, 0, 1, 2, 1, 2, 3},
             {0, 0, 0, 1, 2},
             {0, 0, 1, 3, 3, 6, 6, 4, 9, 9},
         })});
    add({"ten-plane-coarse",
         "TenPlaneCoarse",
         "ten planes split from five; levels 0-9 H, 0-4 C M Y k",
         10,
         10,
         40,
         1,
         0,
         0,
         {plane(C, 'C', 4, 4), plane(M, 'M', 4, 4), plane(Y, 'Y', 4, 4), plane(k, 'k', 4, 4),
          plane(H, 'H', 4, 9)},
         tenPlaneWires(),
         splitTables({
             {0, 1, 1, 1, 2},
             {0, 1, 1, 1, 2},
             {0, 1, 2, 2, 2},
             {0, 1, 2, 2, 2},
             {0, 1, 1, 1, 2, 2, 5, 8, 7, 9},
             {0, 0, 1, 2, 2},
             {0, 0, 1, 2, 2},
             {0, 0, 0, 1, 2},
             {0, 0, 0, 1, 2},
             {0, 0, 1, 2, 2, 5, 5, 3, 8, 8},
         })});
    return modes;
}

}  // namespace

const std::vector<ModeInfo>& allModes() {
    static const std::vector<ModeInfo> modes = buildModes();
    return modes;
}

const ModeInfo* findMode(std::string_view name) {
    auto same = [name](std::string_view other) {
        return name.size() == other.size() &&
               std::equal(name.begin(), name.end(), other.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    };
    for (const ModeInfo& m : allModes())
        if (same(m.name) || same(m.ppdName)) return &m;
    return nullptr;
}

std::string modeNames() {
    std::string text;
    for (const ModeInfo& m : allModes())
        text += (text.empty() ? "" : ", ") + std::string(m.name) + " (" + m.ppdName + ")";
    return text;
}

const ModeInfo* findModeByCodes(int16_t rowCode, int16_t columnCode, int16_t optionA,
                                int16_t optionB, int16_t optionC) {
    for (const ModeInfo& m : allModes())
        if (m.rowCode == rowCode && m.columnCode == columnCode && m.optionA == optionA &&
            m.optionB == optionB && m.optionC == optionC)
            return &m;
    return nullptr;
}

const ModeInfo& defaultMode() { return *findMode("cmyk-lk-ternary"); }

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

std::string modeTable() {
    std::string out;
    char line[256];
    std::snprintf(line, sizeof line, "%-17s %5s  %-18s %-14s %-31s  %s\n", "name", "class",
                  "planes", "depths", "levels", "settings: row column A B C");
    out += line;
    for (const ModeInfo& m : allModes()) {
        std::string levels;
        for (const SourcePlane& s : m.sources) {
            if (!levels.empty()) levels += ' ';
            levels += s.letter;
            levels += " 0-";
            levels += std::to_string(s.maxLevel);
        }
        std::snprintf(line, sizeof line, "%-17s %5d  %-18s %-14s %-31s  %d %d %d %d %d\n", m.name,
                      m.modeClass, wireLetters(m).c_str(), depthList(m).c_str(), levels.c_str(),
                      m.rowCode, m.columnCode, m.optionA, m.optionB, m.optionC);
        out += line;
    }
    return out;
}

}  // namespace inkband::tool
