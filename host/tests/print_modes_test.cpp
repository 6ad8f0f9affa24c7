// The mode table against the test suite's own model of the module's print
// modes: every row's codes reach a mode whose planes, depths and packing
// are the row's; every mode is found by either of its names.
#include "host/print_modes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/page_model.h"

namespace inkband::host {
namespace {

const testjob::ModeCase* modelFor(const ModeInfo& mode) {
    for (const testjob::ModeCase& m : testjob::reachableModes())
        if (m.rowCode == mode.rowCode && m.columnCode == mode.columnCode &&
            m.optionA == mode.optionA && m.optionB == mode.optionB && m.optionC == mode.optionC)
            return &m;
    return nullptr;
}

TEST(PrintModes, EveryModeHasThePlanesTheModuleExpects) {
    std::set<unsigned> ids;
    for (const ModeInfo& mode : allModes()) {
        SCOPED_TRACE(mode.name);
        EXPECT_TRUE(ids.insert(mode.id).second) << "id " << int(mode.id) << " twice";
        const testjob::ModeCase* model = modelFor(mode);
        ASSERT_NE(model, nullptr) << "no module mode has these codes";
        EXPECT_EQ(model->modeClass, mode.modeClass);
        ASSERT_EQ(model->depths.size(), mode.sources.size());
        ASSERT_EQ(model->letters.size(), mode.wires.size());
        for (std::size_t i = 0; i < mode.sources.size(); ++i) {
            EXPECT_EQ(mode.sources[i].bits, model->depths[i]) << "plane " << i;
            EXPECT_EQ(mode.sources[i].ternary, model->ternary[i]) << "plane " << i;
        }
        for (std::size_t i = 0; i < mode.wires.size(); ++i)
            EXPECT_EQ(mode.wires[i].letter, model->letters[i]) << "printer plane " << i;
    }
}

TEST(PrintModes, FoundByEitherNameIdOrCodes) {
    for (const ModeInfo& mode : allModes()) {
        std::string upper = mode.name, lower = mode.ppdName;
        for (char& c : upper) c = static_cast<char>(std::toupper(c));
        for (char& c : lower) c = static_cast<char>(std::tolower(c));
        EXPECT_EQ(findMode(mode.name), &mode);
        EXPECT_EQ(findMode(mode.ppdName), &mode);
        EXPECT_EQ(findMode(upper), &mode);
        EXPECT_EQ(findMode(lower), &mode);
        EXPECT_EQ(findModeById(mode.id), &mode);
        EXPECT_EQ(findModeByCodes(mode.rowCode, mode.columnCode, mode.optionA, mode.optionB,
                                  mode.optionC),
                  &mode);
    }
    EXPECT_EQ(findMode("cmyk"), findMode("cmyk-4bit"));
    EXPECT_EQ(findMode("cmyk-"), nullptr);
    EXPECT_EQ(findMode(""), nullptr);
    EXPECT_EQ(findModeById(0), nullptr);
    EXPECT_EQ(findModeById(11), nullptr);
}

}  // namespace
}  // namespace inkband::host
