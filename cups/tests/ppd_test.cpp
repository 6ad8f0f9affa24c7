// The PPD against the mode table and the filter's reading of page headers:
// the default choice is one cupsd takes for colour, every ColorModel choice asks for the raster the
// filter reads and names its mode, every cupsPrintQuality choice gives the filter its quality, and
// the PPD carries the library's version.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "host/print_modes.h"
#include "inkband/inkband.h"
#include "page_setup.h"

namespace inkband::filter {
namespace {

std::string ppdText() {
    std::ifstream file(INKBAND_PPD_PATH);
    EXPECT_TRUE(file) << INKBAND_PPD_PATH;
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The header Ghostscript makes of a choice's settings, on a small page.
cups_page_header2_t headerFor(unsigned colorSpace, unsigned bits, unsigned modeId,
                              unsigned quality) {
    cups_page_header2_t header;
    std::memset(&header, 0, sizeof header);
    const unsigned channels = colorSpace == CUPS_CSPACE_CMYK ? 4 : 1;
    header.HWResolution[0] = header.HWResolution[1] = 300;
    header.cupsWidth = 100;
    header.cupsHeight = 10;
    header.cupsBitsPerColor = bits;
    header.cupsBitsPerPixel = bits * channels;
    header.cupsBytesPerLine = 100 * bits * channels / 8;
    header.cupsColorOrder = CUPS_ORDER_CHUNKED;
    header.cupsColorSpace = static_cast<cups_cspace_t>(colorSpace);
    header.cupsInteger[0] = modeId;
    header.cupsInteger[1] = quality;
    return header;
}

// cupsd (2.4) gives a queue print-color-mode-default=monochrome, and so
// prints plain jobs in black, unless the ColorModel default is named CMYK or
// RGB; monochrome jobs get the choice named Gray.  The default must be a
// colour mode and Gray the black one.
TEST(Ppd, DefaultIsAColourModeCupsRecognises) {
    const std::string ppd = ppdText();
    EXPECT_NE(ppd.find("*ColorDevice: True\n"), std::string::npos);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(ppd, m, std::regex(R"(\*DefaultColorModel: (\w+)\n)")));
    EXPECT_TRUE(m[1] == "CMYK" || m[1] == "RGB") << m[1];
    for (const std::string& name : {m[1].str(), std::string("Gray")}) {
        const host::ModeInfo* mode = host::findMode(name);
        ASSERT_NE(mode, nullptr) << name;
        EXPECT_EQ(host::isBlackOnly(*mode), name == "Gray") << name;
    }
}

// Every ColorModel choice asks for 8-bit chunky raster, black for the
// black-only mode and CMYK for the others, and names its mode by id; the
// filter prints that mode from such a header; every mode has a choice.
TEST(Ppd, ColorModelChoicesSelectTheModes) {
    const std::string ppd = ppdText();
    const std::regex choice(
        R"(\*ColorModel (\w+)/[^:]*: "<</cupsColorSpace (\d+)/cupsColorOrder (\d+)/cupsBitsPerColor (\d+)/cupsInteger0 (\d+)>>setpagedevice")");
    std::set<std::string> seen;
    for (auto it = std::sregex_iterator(ppd.begin(), ppd.end(), choice);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        const host::ModeInfo* mode = host::findModeById(std::stoul(m[5]));
        ASSERT_NE(mode, nullptr) << m[0];
        SCOPED_TRACE(mode->ppdName);
        EXPECT_EQ(m[1].str(), mode->ppdName);
        const unsigned colorSpace = std::stoul(m[2]);
        EXPECT_EQ(colorSpace, host::isBlackOnly(*mode) ? 3u : 6u);
        EXPECT_EQ(std::stoul(m[3]), 0u) << "asks for banded raster";
        EXPECT_EQ(std::stoul(m[4]), 8u);
        PageSetup setup;
        EXPECT_EQ(setUpPage(headerFor(colorSpace, 8, mode->id, 0), setup), "");
        EXPECT_EQ(setup.mode, mode);
        seen.insert(mode->ppdName);
    }
    for (const host::ModeInfo& mode : host::allModes())
        EXPECT_TRUE(seen.count(mode.ppdName)) << mode.ppdName << " has no ColorModel choice";
    EXPECT_NE(ppd.find("*DefaultColorModel: "), std::string::npos);
}

// Draft, Normal and High set cupsInteger1 to IPP's 3, 4 and 5, which the
// filter prints at those qualities; without a value it prints Normal.
TEST(Ppd, PrintQualityChoicesSetTheFilterQuality) {
    const std::string ppd = ppdText();
    const struct {
        const char* choice;
        unsigned value;
        host::Quality quality;
    } cases[] = {{"Draft", 3, host::Quality::Draft},
                 {"Normal", 4, host::Quality::Normal},
                 {"High", 5, host::Quality::High}};
    for (const auto& c : cases) {
        const std::string line = std::string("*cupsPrintQuality ") + c.choice + "/" + c.choice +
                                 ": \"<</cupsInteger1 " + std::to_string(c.value) +
                                 ">>setpagedevice\"\n";
        EXPECT_NE(ppd.find(line), std::string::npos) << line;
        PageSetup setup;
        ASSERT_EQ(setUpPage(headerFor(CUPS_CSPACE_CMYK, 8, 4, c.value), setup), "");
        EXPECT_EQ(setup.line.quality, c.quality) << c.choice;
    }
    PageSetup setup;
    ASSERT_EQ(setUpPage(headerFor(CUPS_CSPACE_K, 8, 0, 0), setup), "");
    EXPECT_EQ(setup.line.quality, host::Quality::Normal);
    EXPECT_NE(ppd.find("*DefaultcupsPrintQuality: Normal\n"), std::string::npos);
}

// Each InkLimit choice sets cupsInteger2 to its percentage, which the filter
// separates with; without a value it keeps the default of 400 %.
TEST(Ppd, InkLimitChoicesSetTheFilterInkLimit) {
    const std::string ppd = ppdText();
    const std::regex choice(R"(\*InkLimit (\d+)/[^:]*: "<</cupsInteger2 (\d+)>>setpagedevice")");
    int choices = 0;
    for (auto it = std::sregex_iterator(ppd.begin(), ppd.end(), choice);
         it != std::sregex_iterator(); ++it, ++choices) {
        const unsigned percent = std::stoul((*it)[1]);
        EXPECT_EQ(std::stoul((*it)[2]), percent);
        cups_page_header2_t header = headerFor(CUPS_CSPACE_CMYK, 8, 4, 0);
        header.cupsInteger[2] = percent;
        PageSetup setup;
        ASSERT_EQ(setUpPage(header, setup), "");
        EXPECT_EQ(setup.line.separation.inkLimit, static_cast<int>(percent));
    }
    EXPECT_GE(choices, 2);
    PageSetup setup;
    ASSERT_EQ(setUpPage(headerFor(CUPS_CSPACE_CMYK, 8, 4, 0), setup), "");
    EXPECT_EQ(setup.line.separation.inkLimit, 400);
}

// The PPD names the library's version, as the header gives it.
TEST(Ppd, CarriesTheLibraryVersion) {
    const std::string ppd = ppdText();
    const std::string version = std::to_string(INKBAND_VERSION_MAJOR) + "." +
                                std::to_string(INKBAND_VERSION_MINOR) + "." +
                                std::to_string(INKBAND_VERSION_PATCH);
    EXPECT_NE(ppd.find("*FileVersion: \"" + version + "\"\n"), std::string::npos);
    EXPECT_NE(ppd.find("*NickName: \"inkband raster printer, " + version + "\"\n"),
              std::string::npos);
}

}  // namespace
}  // namespace inkband::filter
