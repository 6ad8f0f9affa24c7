// The filter's mode table against the test suite's model of the module's
// print modes, and against the PPD that selects the modes.
#include "print_modes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "inkband/inkband.h"
#include "support/page_model.h"

namespace inkband::filter {
namespace {

const testjob::ModeCase* modelFor(const PrintMode& mode) {
    for (const testjob::ModeCase& m : testjob::reachableModes())
        if (m.rowCode == mode.rowCode && m.columnCode == mode.columnCode &&
            m.optionA == mode.optionA && m.optionB == mode.optionB && m.optionC == mode.optionC)
            return &m;
    return nullptr;
}

// The built PPD's text; empty when it cannot be read.
std::string ppdText() {
    std::ifstream file(INKBAND_PPD_PATH);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(PrintModes, EveryModeHasThePlanesTheModuleExpects) {
    std::set<unsigned> ids;
    for (const PrintMode& mode : printModes()) {
        SCOPED_TRACE(mode.name);
        EXPECT_TRUE(ids.insert(mode.id).second) << "id " << int(mode.id) << " twice";
        EXPECT_EQ(findPrintMode(mode.id), &mode);
        const testjob::ModeCase* model = modelFor(mode);
        ASSERT_NE(model, nullptr) << "no module mode has these codes";
        ASSERT_EQ(model->depths.size(), mode.planeCount);
        for (int i = 0; i < mode.planeCount; ++i) {
            const ModePlane& plane = mode.planes[i];
            EXPECT_EQ(plane.letter, static_cast<char>(model->letters[i])) << "plane " << i;
            EXPECT_EQ(plane.bits, model->depths[i]) << "plane " << i;
            EXPECT_EQ(plane.ternary, model->ternary[i]) << "plane " << i;
            const unsigned full = (1u << plane.bits) - 1;
            EXPECT_LE(plane.topLevel, plane.ternary ? 2u : full) << "plane " << i;
            if (model->letters.size() == static_cast<std::size_t>(mode.planeCount)) {
                EXPECT_EQ(plane.topLevel, plane.ternary ? 2u : full) << "plane " << i;
            }
        }
        EXPECT_NE(rasterChannels(mode.rasterColorSpace), nullptr);
    }
    EXPECT_EQ(findPrintMode(0), nullptr);
    EXPECT_EQ(findPrintMode(99), nullptr);
}

TEST(PrintModes, DefaultsFollowTheRasterFormat) {
    struct Case {
        unsigned colorSpace, bits;
        const char* mode;  // null: none
    };
    const Case cases[] = {
        {kColorSpaceBlack, 1, "Gray"},
        {kColorSpaceBlack, 4, "Gray"},
        {kColorSpaceCmyk, 1, "CMYK"},
        {kColorSpaceCmyk, 2, "CMYKTernary"},
        {kColorSpaceCmyk, 4, "CMYK4421"},
        {kColorSpaceCmyk, 8, nullptr},
        {1, 1, nullptr},
    };
    for (const Case& c : cases) {
        const PrintMode* mode = defaultPrintMode(c.colorSpace, c.bits);
        if (c.mode == nullptr) {
            EXPECT_EQ(mode, nullptr) << c.colorSpace << "/" << c.bits;
        } else {
            ASSERT_NE(mode, nullptr) << c.mode;
            EXPECT_STREQ(mode->name, c.mode);
        }
    }
}

// Every ColorModel choice of the PPD names one mode by its id and asks for
// the raster format the mode lists; every mode has a choice.
TEST(PrintModes, PpdChoicesSelectTheModes) {
    const std::string ppd = ppdText();
    ASSERT_FALSE(ppd.empty()) << INKBAND_PPD_PATH;
    const std::regex choice(
        R"(\*ColorModel (\w+)/[^:]*: "<</cupsColorSpace (\d+)/cupsColorOrder (\d+)/cupsBitsPerColor (\d+)/cupsInteger0 (\d+)>>setpagedevice")");
    std::set<std::string> seen;
    for (auto it = std::sregex_iterator(ppd.begin(), ppd.end(), choice);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        const PrintMode* mode = findPrintMode(std::stoul(m[5]));
        ASSERT_NE(mode, nullptr) << m[0];
        EXPECT_EQ(m[1].str(), mode->name);
        EXPECT_EQ(std::stoul(m[2]), mode->rasterColorSpace) << mode->name;
        EXPECT_EQ(std::stoul(m[3]), 1u) << mode->name << " asks for banded raster";
        EXPECT_EQ(std::stoul(m[4]), mode->rasterBits) << mode->name;
        seen.insert(mode->name);
    }
    for (const PrintMode& mode : printModes()) EXPECT_TRUE(seen.count(mode.name)) << mode.name;
}

// cupsd (2.4) gives a queue print-color-mode-default=monochrome, and so
// prints plain jobs in black, unless the ColorModel default is named CMYK or
// RGB; monochrome jobs get the choice named Gray.  The default must be a
// colour mode and Gray the black one.
TEST(PrintModes, PpdDefaultIsAColourModeCupsRecognises) {
    const std::string ppd = ppdText();
    ASSERT_FALSE(ppd.empty()) << INKBAND_PPD_PATH;
    EXPECT_NE(ppd.find("*ColorDevice: True\n"), std::string::npos);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(ppd, m, std::regex(R"(\*DefaultColorModel: (\w+)\n)")));
    EXPECT_TRUE(m[1] == "CMYK" || m[1] == "RGB") << m[1];
    for (const std::string& name : {m[1].str(), std::string("Gray")}) {
        const PrintMode* mode = nullptr;
        for (const PrintMode& candidate : printModes())
            if (name == candidate.name) mode = &candidate;
        ASSERT_NE(mode, nullptr) << name;
        EXPECT_EQ(mode->planeCount == 1, name == "Gray") << name;
    }
}

// The PPD names the library's version, as the header gives it.
TEST(PrintModes, PpdCarriesTheLibraryVersion) {
    const std::string ppd = ppdText();
    ASSERT_FALSE(ppd.empty()) << INKBAND_PPD_PATH;
    const std::string version = std::to_string(INKBAND_VERSION_MAJOR) + "." +
                                std::to_string(INKBAND_VERSION_MINOR) + "." +
                                std::to_string(INKBAND_VERSION_PATCH);
    EXPECT_NE(ppd.find("*FileVersion: \"" + version + "\"\n"), std::string::npos);
    EXPECT_NE(ppd.find("*NickName: \"inkband raster printer, " + version + "\"\n"),
              std::string::npos);
}

}  // namespace
}  // namespace inkband::filter
