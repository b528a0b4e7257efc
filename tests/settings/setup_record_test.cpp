#include "settings/setup_record.h"

#include <gtest/gtest.h>

namespace {

TEST(SetupRecord, EveryValueComesBackFromItsFileAndForeignLinesArePassedOver) {
    SetupRecord record;
    record.values = {{"mate.themes", "['screensavers-a', 'b\\\\c']"},
                     {"xscreensaver.mode", ""},
                     {"xfce.mode", "line one\nline two = \\n"},
                     {"xscreensaver.selected", "-1"}};
    const std::string text = setupRecordText(record);
    EXPECT_EQ(readSetupRecord(text).values, record.values) << text;
    // The file's own comment, hand-made damage and lines without a key read as nothing.
    const SetupRecord damaged = readSetupRecord(text + "garbage\n=no key\n#mate.mode=x\nxfce.set=1");
    EXPECT_EQ(damaged.values.size(), record.values.size() + 1);
    EXPECT_EQ(damaged.get("xfce.set"), std::optional<std::string>("1"));
    EXPECT_FALSE(damaged.has("mate.mode"));

    record.eraseAll("xscreensaver.");
    EXPECT_EQ(record.values.size(), 2u);
    EXPECT_TRUE(record.has("mate.themes"));
    EXPECT_TRUE(readSetupRecord("").values.empty());
}

}  // namespace
