// A restore reads the drive back and compares it with what it wrote, after
// making sure the drive holds what its size claims; `kvi verify` compares a
// drive with an image without writing.
#include "drive/PhysicalDrive.h"
#include "image/ReadBack.h"
#include "image/RestoreImage.h"
#include "image/CreateImage.h"
#include "image/VerifyImage.h"

#include "ImageTestKit.h"
#include "ScriptedMessages.h"
#include "SimulatedDrives.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int64_t kSize = 3 * IMAGE_BLOCK_SIZE;

// Drive 0 holds the source bytes, drive 1 (same size, all zero) is restored
// onto with the given faults; the image of drive 0 is at `image`, and as
// a raw disk image at `raw`.
struct Scene {
    SimulatedDrives drives;
    Bytes source = PatternBytes(kSize, 21);
    std::string image = drives.FilePath("card.kvi");
    std::string raw = drives.FilePath("card.img.zst");
    explicit Scene(const std::map<std::string, std::string>& faults = {})
    {
        drives.AddWithBytes(0, source);
        drives.Add(1, kSize, faults);
        ImageHeader header;
        ScriptedMessages quiet;
        EXPECT_EQ(CreateImage("PHYSICALDRIVE0", image, header), 1);
        EXPECT_EQ(CreateImage("PHYSICALDRIVE0", raw, header), 1);
    }
    ~Scene() { SetVerifyAfterRestore(true); }
};

const std::string kVerifying = "info:Please wait, while verifying the drive...";

bool Has(const std::vector<std::string>& events, const std::string& event)
{
    return std::find(events.begin(), events.end(), event) != events.end();
}

TEST(Verify, RestoresAreReadBackAndCompared)
{
    struct Case {
        const char* what;
        std::map<std::string, std::string> faults;
        bool verify;
        int32_t result;
        std::string reason;  // the error box's first line, "" for none
        bool raw = false;    // restore the raw image
    };
    const std::vector<Case> cases = {
        {"a clean restore", {}, true, 1, ""},
        {"a byte that reads back changed", {{"SilentCorruptAt", "600001"}}, true, -9,
         "Verification failed: the drive differs from the image at byte 600,001."},
        {"the same, not verified", {{"SilentCorruptAt", "600001"}}, false, 1, ""},
        {"a raw image, a byte that reads back changed", {{"SilentCorruptAt", "1000000"}}, true, -9,
         "Verification failed: the drive differs from the image at byte 1,000,000.", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene(c.faults);
        SetVerifyAfterRestore(c.verify);
        RecordingProgress progress;
        ScriptedMessages messages;
        messages.Answer(IDYES).Answer(IDOK);
        EXPECT_EQ(RestoreImage("PHYSICALDRIVE1", c.raw ? scene.raw : scene.image), c.result);
        EXPECT_EQ(Has(progress.events, kVerifying), c.verify);
        if (!c.reason.empty()) {
            ASSERT_EQ(messages.Shown().size(), 2u);
            EXPECT_EQ(messages.Shown()[1],
                      (ShownMessage{c.reason + "\r\n\r\nAborting image restore.", 16, "Korvalith WIN - [ERROR]"}));
        }
    }
}

TEST(Verify, ACardThatHoldsLessThanItClaimsIsRefusedBeforeWriting)
{
    Scene scene({{"FakeCapacity", std::to_string(kSize / 4)}});
    const Bytes before = PatternBytes(kSize, 22);
    WriteFileBytes(scene.drives.ImagePath(1), before);
    RecordingProgress progress;
    ScriptedMessages messages;
    messages.Answer(IDYES).Answer(IDOK);
    EXPECT_EQ(RestoreImage("PHYSICALDRIVE1", scene.image), -11);
    EXPECT_EQ(messages.Shown().back().prompt,
              "The drive does not hold what its size claims; it may be a counterfeit card. Nothing was "
              "restored.\r\n\r\nAborting image restore.");
    EXPECT_TRUE(scene.drives.Bytes(1) == before);
    EXPECT_TRUE(progress.bytes.empty()) << "no block was written";
}

TEST(Verify, AProbeThatCannotBeWrittenIsNoSignOfACounterfeit)
{
    Scene scene({{"FailWriteAt", std::string("0")}});
    ScriptedMessages messages;
    messages.Answer(IDYES).Answer(IDNO).Answer(IDOK);
    EXPECT_EQ(RestoreImage("PHYSICALDRIVE1", scene.image), -7);
    ASSERT_EQ(messages.Shown().size(), 3u);
    EXPECT_EQ(messages.Shown()[1].prompt.rfind("Can't write requested drive data.", 0), 0u);
}

TEST(Verify, CancelDuringTheCheckAsksItsOwnQuestion)
{
    Scene scene;
    RecordingProgress progress;
    // The restore's three blocks take three polls; the fourth is the check's first.
    progress.PressCancelBeforePoll(3);
    ScriptedMessages messages;
    messages.Answer(IDYES).Answer(IDYES);
    EXPECT_EQ(RestoreImage("PHYSICALDRIVE1", scene.image), 0);
    ASSERT_EQ(messages.Shown().size(), 2u);
    EXPECT_EQ(messages.Shown()[1], (ShownMessage{"Abort verification?", 292, "Korvalith WIN - [Restore image]"}));
    EXPECT_TRUE(scene.drives.Bytes(1) == scene.source);
}

TEST(Verify, ADriveIsComparedWithAnImageWithoutWriting)
{
    struct Case {
        const char* what;
        std::function<void(Scene&)> change;
        VerifyOutcome outcome;
        int64_t at;
        bool raw = false;  // compare with the raw image
    };
    const std::vector<Case> cases = {
        {"the drive the image was made of", [](Scene&) {}, VerifyOutcome::Same, -1},
        {"one byte changed",
         [](Scene& s) {
             Bytes changed = s.source;
             changed[1000000] ^= 1;
             s.drives.AddWithBytes(0, changed);
         },
         VerifyOutcome::Differs, 1000000},
        {"a drive that ends first",
         [](Scene& s) { s.drives.AddWithBytes(0, Bytes(s.source.begin(), s.source.end() - 4096)); },
         VerifyOutcome::Differs, kSize - 4096},
        {"an image that cannot be read", [](Scene& s) { WriteFileBytes(s.image, {1, 2, 3}); }, VerifyOutcome::Failed, -1},
        {"a raw image of the drive", [](Scene&) {}, VerifyOutcome::Same, -1, true},
        {"a raw image, one byte changed",
         [](Scene& s) {
             Bytes changed = s.source;
             changed[700000] ^= 1;
             s.drives.AddWithBytes(0, changed);
         },
         VerifyOutcome::Differs, 700000, true},
        {"a raw image, a drive that ends first",
         [](Scene& s) { s.drives.AddWithBytes(0, Bytes(s.source.begin(), s.source.end() - 4096)); },
         VerifyOutcome::Failed, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene;
        c.change(scene);
        ScriptedMessages messages;
        messages.Answer(IDOK);
        const Bytes before = scene.drives.Bytes(0);
        const VerifyResult result = VerifyImage("PHYSICALDRIVE0", c.raw ? scene.raw : scene.image);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.at, c.at);
        EXPECT_TRUE(scene.drives.Bytes(0) == before);
    }
}

}  // namespace
