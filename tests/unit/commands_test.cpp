// Printer commands: selection templates, page header, skip commands.
#include "codec/commands.h"

#include <gtest/gtest.h>

#include <vector>

using namespace inkband;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes commandBytes(CommandBytes command) {
    return Bytes(command.bytes, command.bytes + command.length);
}

TEST(CommandSet, SelectionCommandsAreByteExact) {
    struct Case {
        Selection selection;
        Bytes bytes;
    };
    const Case cases[] = {
        {kSelectK, {0x1B, 0x28, 0x4C, 0x01, 0x00, 0x4B}},
        {kSelectLightK, {0x1B, 0x28, 0x4C, 0x01, 0x00, 0x6B}},
        {kSelectKk, {0x1B, 0x28, 0x4C, 0x02, 0x00, 0x4B, 0x6B}},
        {kSelectCMY, {0x1B, 0x28, 0x4C, 0x03, 0x00, 0x43, 0x4D, 0x59}},
        {kSelectCMYK, {0x1B, 0x28, 0x4C, 0x04, 0x00, 0x43, 0x4D, 0x59, 0x4B}},
        {kSelectCMYk, {0x1B, 0x28, 0x4C, 0x04, 0x00, 0x43, 0x4D, 0x59, 0x6B}},
        {kSelectCMYKk, {0x1B, 0x28, 0x4C, 0x05, 0x00, 0x43, 0x4D, 0x59, 0x4B, 0x6B}},
        {kSelectCMYkH, {0x1B, 0x28, 0x4C, 0x05, 0x00, 0x43, 0x4D, 0x59, 0x6B, 0x48}},
        {kSelectCMYcmk, {0x1B, 0x28, 0x4C, 0x06, 0x00, 0x43, 0x4D, 0x59, 0x63, 0x6D, 0x6B}},
        {kSelectcmYkHh, {0x1B, 0x28, 0x4C, 0x06, 0x00, 0x63, 0x6D, 0x59, 0x6B, 0x48, 0x68}},
        {kSelectTenPlane,
         {0x1B, 0x28, 0x4C, 0x0A, 0x00, 0x43, 0x4D, 0x59, 0x6B, 0x48, 0xC3, 0xCD, 0xD9, 0xEB,
          0xC8}},
    };
    static_assert(sizeof cases / sizeof cases[0] == kSelectionCount);
    for (const Case& c : cases)
        EXPECT_EQ(commandBytes(selectionCommand(c.selection)), c.bytes)
            << "selection " << c.selection;
}

TEST(CommandSet, SelectionOutsideTheTableGivesNoCommand) {
    for (int16_t value : {int16_t{-1}, int16_t{kSelectionCount}, int16_t{100}}) {
        CommandBytes command = selectionCommand(static_cast<Selection>(value));
        EXPECT_EQ(command.bytes, nullptr);
        EXPECT_EQ(command.length, 0);
    }
}

TEST(CommandSet, PageHeaderCarriesTheBandHeight) {
    for (int16_t height : {int16_t{1}, int16_t{8}, int16_t{16}}) {
        uint8_t out[kPageHeaderSize + 1];
        out[kPageHeaderSize] = 0xEE;
        EXPECT_EQ(writePageHeader(height, out), kPageHeaderSize);
        const Bytes expected = {0x1B, 0x28, 0x49, 0x01, 0x00, 0x01,
                                0x1B, 0x28, 0x4A, 0x01, 0x00, static_cast<uint8_t>(height)};
        EXPECT_EQ(Bytes(out, out + kPageHeaderSize), expected);
        EXPECT_EQ(out[kPageHeaderSize], 0xEE) << "wrote past the header";
    }
}

TEST(CommandSet, SkipCommandCountIsBigEndian) {
    struct Case {
        int16_t count;
        uint8_t hi, lo;
    };
    const Case cases[] = {
        {1, 0x00, 0x01}, {300, 0x01, 0x2C}, {0x7FFF, 0x7F, 0xFF}, {256, 0x01, 0x00}};
    for (const Case& c : cases) {
        uint8_t out[kSkipCommandSize + 1];
        out[kSkipCommandSize] = 0xEE;
        EXPECT_EQ(buildSkipCommand(c.count, out), kSkipCommandSize);
        EXPECT_EQ(Bytes(out, out + kSkipCommandSize),
                  (Bytes{0x1B, 0x28, 0x65, 0x02, 0x00, c.hi, c.lo}))
            << "count " << c.count;
        EXPECT_EQ(out[kSkipCommandSize], 0xEE);
    }
}

TEST(CommandSet, SkipOfNoBandsWritesNothing) {
    for (int16_t count : {int16_t{0}, int16_t{-1}, int16_t{-32768}}) {
        uint8_t out[kSkipCommandSize] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        EXPECT_EQ(buildSkipCommand(count, out), 0);
        for (uint8_t byte : out) EXPECT_EQ(byte, 0xEE);
    }
}

TEST(CommandSet, BandChunkHeaderIsAnEmptyBandDataCommand) {
    EXPECT_EQ(Bytes(kBandChunkHeader, kBandChunkHeader + kBandChunkHeaderSize),
              (Bytes{0x1B, 0x28, 0x46, 0x00, 0x00}));
}

}  // namespace
