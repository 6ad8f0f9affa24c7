// The print modes every host offers, in one table: for each combination of
// mode class and plane depths that settings can reach, the settings codes
// that select it, the ink and level range of every source plane the host
// halftones, the planes the printer receives, and the names the tool
// (`cmyk-4bit`) and the PPD's ColorModel choices (`CMYK`) give it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace inkband::host {

// The inks a host separates into.  LightBlack is the "k" plane; H is the
// extra plane of the five- and ten-plane modes, which the host side treats
// as a dark black (see separation.h).
enum class Ink : uint8_t { Cyan, Magenta, Yellow, Black, LightBlack, H };
inline constexpr int kInkCount = 6;

inline constexpr int kMaxSourcePlanes = 5;
inline constexpr int kMaxWirePlanes = 10;
inline constexpr int kMaxSplitLevels = 10;

// One plane the host halftones and hands to OutputProduceTwo.
struct SourcePlane {
    Ink ink;
    char letter;   // the ink's plane letter: C M Y K k H
    int bits;      // bits per pixel of the packed plane: 1, 2 or 4
    bool ternary;  // 2-bit plane the module packs five pixels to a byte
    int maxLevel;  // highest level the host puts on the plane
};

// In the ten-plane modes each source plane feeds two printer planes; level
// v of the source becomes table[v] on each of them.
struct SplitPlane {
    int source;
    int length;                                  // levels with an entry
    std::array<uint8_t, kMaxSplitLevels> table;  // level -> printer value
};

// One plane the printer receives, named by its selection letter.
struct WirePlane {
    uint8_t letter;  // bit 7 set for the second plane of a split source
    int bits;        // bits per pixel of the plane as the printer receives it
    bool ternary;    // bytes carry five base-3 pixels each
};

struct ModeInfo {
    uint8_t id;           // cupsInteger0 of the PPD's choice, 1 .. 10
    const char* name;     // the tool's name
    const char* ppdName;  // the PPD's ColorModel choice
    const char* summary;
    int16_t modeClass;
    // The JobSettings codes that select the mode.
    int16_t rowCode, columnCode, optionA, optionB, optionC;
    std::span<const SourcePlane> sources;
    std::span<const WirePlane> wires;
    std::span<const SplitPlane> split;  // one per wire plane; empty: no split
    bool isSplit() const { return !split.empty(); }
};

// Every mode, in the order of the mode table.
std::span<const ModeInfo> allModes();

// The mode of that name (the tool's or the PPD's, any letter case), or null.
const ModeInfo* findMode(std::string_view name);

// The mode with this id (cupsInteger0), or null.
const ModeInfo* findModeById(unsigned id);

// The mode whose settings codes are exactly these, or null.
const ModeInfo* findModeByCodes(int16_t rowCode, int16_t columnCode, int16_t optionA,
                                int16_t optionB, int16_t optionC);

// The mode the tool prints with when none is named.
const ModeInfo& defaultMode();

// True when the mode prints black only (no colour planes).
bool isBlackOnly(const ModeInfo& mode);

// "C", "k", "H", or "C'" for a letter with bit 7 set.
std::string letterName(uint8_t letter);

// "CMYKk", or "CMYkH C'M'Y'k'H'" for the ten-plane list.
std::string letterList(const std::vector<uint8_t>& letters);
std::string wireLetters(const ModeInfo& mode);

// "2t 2t 1 1 2t": bits per pixel of each source plane, t for ternary.
std::string depthList(const ModeInfo& mode);

// "C 0-2 M 0-2 Y 0-1 K 0-1": the levels the host prints on each plane.
std::string levelList(const ModeInfo& mode);

// "black (Gray), cmyk-1bit (CMYK1111), ...": every mode's two names, for
// messages.
std::string modeNames();

// The mode table as text, one line per mode.
std::string modeTable();

}  // namespace inkband::host
