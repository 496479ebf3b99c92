// The eject command shared by the window's button and `kvi eject`.
#include "ScriptedMessages.h"
#include "SimulatedDrives.h"
#include "drive/EjectCommand.h"

#include <gtest/gtest.h>

namespace {

const std::string kTitle = "Korvalith WIN - [Eject media]";
const ShownMessage kQuestion{"Eject media in 'Physical Drive 1'?", 292, kTitle};

TEST(EjectMediaCommand, YesEjectsThenRefreshesThenTells)
{
    SimulatedDrives drives;
    drives.Add(1, 1 << 20);
    ScriptedMessages messages;
    messages.Answer(IDYES).Answer(IDOK);
    size_t shownAtRefresh = 0;
    EXPECT_EQ(EjectMediaCommand({"PHYSICALDRIVE1", "Physical Drive 1"}, [&] { shownAtRefresh = messages.Shown().size(); }),
              EJECT_DONE);
    EXPECT_EQ(shownAtRefresh, 1u) << "the panel is refreshed before the message";
    EXPECT_EQ(messages.Shown(),
              (std::vector<ShownMessage>{kQuestion, {"Media in drive 'Physical Drive 1' ejected.", 64, kTitle}}));
}

TEST(EjectMediaCommand, NoOrUnshownBoxEjectsNothing)
{
    SimulatedDrives drives;
    drives.Add(1, 1 << 20);
    for (int answer : {IDNO, 0}) {
        ScriptedMessages messages;
        messages.Answer(answer);
        bool refreshed = false;
        EXPECT_EQ(EjectMediaCommand({"PHYSICALDRIVE1", "Physical Drive 1"}, [&] { refreshed = true; }), EJECT_DECLINED);
        EXPECT_FALSE(refreshed);
        EXPECT_EQ(messages.Shown(), std::vector<ShownMessage>{kQuestion});
    }
}

TEST(EjectMediaCommand, RefusedEjectIsReported)
{
    SimulatedDrives drives;
    drives.Add(1, 1 << 20, {{"EjectResult", "0"}});
    ScriptedMessages messages;
    messages.Answer(IDYES).Answer(IDOK);
    EXPECT_EQ(EjectMediaCommand({"PHYSICALDRIVE1", "Physical Drive 1"}), EJECT_FAILED);
    EXPECT_EQ(messages.Shown().back(),
              (ShownMessage{"Media in drive 'Physical Drive 1' could not be ejected.", 16, kTitle}));
}

}  // namespace
