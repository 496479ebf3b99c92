// What the engine asks of the drive: which path and purpose, reads that come
// back short, each block at its own offset, and the flush at the end.
#include "image/CreateImage.h"
#include "image/RestoreImage.h"
#include "platform/SimulatedDriveBackend.h"

#include "ImageTestKit.h"
#include "ScriptedMessages.h"
#include "SimulatedDrives.h"

#include <gtest/gtest.h>

namespace {

// Simulated drives seen through a log; reads deliver at most `readPiece`
// bytes per call, and Flush may be made to fail.
struct DriveLog {
    std::vector<std::string> opens;  // path + purpose number
    std::vector<int64_t> writeOffsets;
    std::vector<std::string> order;  // "write" / "flush"
    size_t readPiece = SIZE_MAX;
    bool failFlush = false;
};

class LoggedHandle : public platform::DriveHandle {
public:
    LoggedHandle(std::unique_ptr<platform::DriveHandle> inner, DriveLog& log) : inner_(std::move(inner)), log_(log) {}
    bool GetGeometry(DISK_GEOMETRY& out) override { return inner_->GetGeometry(out); }
    bool GetLength(int64_t& out) override { return inner_->GetLength(out); }
    bool Eject() override { return inner_->Eject(); }
    int64_t Read(void* buffer, size_t length) override { return inner_->Read(buffer, std::min(length, log_.readPiece)); }
    int64_t ReadAt(void* buffer, size_t length, int64_t offset) override { return inner_->ReadAt(buffer, length, offset); }
    int64_t ReadBackAt(void* buffer, size_t length, int64_t offset) override
    {
        return inner_->ReadBackAt(buffer, length, offset);
    }
    bool WriteAt(const void* buffer, size_t length, int64_t offset) override
    {
        log_.writeOffsets.push_back(offset);
        log_.order.push_back("write");
        return inner_->WriteAt(buffer, length, offset);
    }
    bool Flush() override
    {
        log_.order.push_back("flush");
        return !log_.failFlush && inner_->Flush();
    }

private:
    std::unique_ptr<platform::DriveHandle> inner_;
    DriveLog& log_;
};

class LoggedBackend : public platform::DriveBackend {
public:
    LoggedBackend(const std::string& dir, DriveLog& log) : inner_(platform::MakeSimulatedDriveBackend(dir)), log_(log) {}
    std::vector<platform::DriveRecord> List() override { return inner_->List(); }
    std::unique_ptr<platform::DriveHandle> Open(const platform::DriveRecord& record, platform::OpenPurpose purpose,
                                                platform::DriveProblem* problem) override
    {
        if (purpose == platform::OpenPurpose::ReadWhole || purpose == platform::OpenPurpose::WriteWhole)
            log_.opens.push_back("\\\\.\\PHYSICALDRIVE" + std::to_string(record.number) +
                                 (purpose == platform::OpenPurpose::ReadWhole ? " read" : " write"));
        auto handle = inner_->Open(record, purpose, problem);
        return handle ? std::make_unique<LoggedHandle>(std::move(handle), log_) : nullptr;
    }
    bool IsSimulated() const override { return true; }

private:
    std::unique_ptr<platform::DriveBackend> inner_;
    DriveLog& log_;
};

constexpr int64_t kSize = 2 * IMAGE_BLOCK_SIZE + 1000;

struct Fixture {
    SimulatedDrives drives;
    DriveLog log;
    std::string image = drives.FilePath("calls.kvi");
    Bytes source = PatternBytes(kSize, 9);
    Fixture()
    {
        drives.AddWithBytes(0, source);
        drives.Add(1, kSize);
        platform::SetDriveBackend(std::make_unique<LoggedBackend>(drives.Dir(), log));
    }
};

TEST(ImageDriveCalls, ShortReadsStillFillWholeBlocks)
{
    Fixture f;
    f.log.readPiece = 4096 + 3;
    ImageHeader header;
    ASSERT_EQ(CreateImage("PHYSICALDRIVE0", f.image, header), 1);
    EXPECT_EQ(f.log.opens, std::vector<std::string>{"\\\\.\\PHYSICALDRIVE0 read"});
    EXPECT_EQ(ParseImage(f.image).expandedSizes, (std::vector<int64_t>{IMAGE_BLOCK_SIZE, IMAGE_BLOCK_SIZE, 1000}));
}

TEST(ImageDriveCalls, RestoreWritesEachBlockAtItsOffsetThenFlushes)
{
    Fixture f;
    ImageHeader header;
    ASSERT_EQ(CreateImage("PHYSICALDRIVE0", f.image, header), 1);
    ScriptedMessages messages;
    messages.Answer(IDYES);
    ASSERT_EQ(RestoreImage("PHYSICALDRIVE1", f.image), 1);
    EXPECT_EQ(f.log.opens.back(), "\\\\.\\PHYSICALDRIVE1 write");
    // The capacity probes come first; the image's blocks last.
    ASSERT_GE(f.log.writeOffsets.size(), 3u);
    EXPECT_EQ(std::vector<int64_t>(f.log.writeOffsets.end() - 3, f.log.writeOffsets.end()),
              (std::vector<int64_t>{0, IMAGE_BLOCK_SIZE, 2 * IMAGE_BLOCK_SIZE}));
    ASSERT_GE(f.log.order.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(f.log.order.end() - 4, f.log.order.end()),
              (std::vector<std::string>{"write", "write", "write", "flush"}));
    EXPECT_EQ(f.drives.Bytes(1), f.source);
}

TEST(ImageDriveCalls, DriveIsNotOpenedForWritingBeforeTheLastQuestion)
{
    Fixture f;
    f.drives.SetIni(1, {{"SectorsPerTrack", "32"}});
    ImageHeader header;
    ASSERT_EQ(CreateImage("PHYSICALDRIVE0", f.image, header), 1);
    f.log.opens.clear();
    ScriptedMessages messages;
    messages.Answer(IDYES).Answer(IDNO);  // warning, mismatch
    EXPECT_EQ(RestoreImage("PHYSICALDRIVE1", f.image), 0);
    messages.Answer(IDYES);
    EXPECT_EQ(RestoreImage("PHYSICALDRIVE1", f.drives.FilePath("missing.kvi")), -3);
    EXPECT_TRUE(f.log.opens.empty());
}

TEST(ImageDriveCalls, FailedFlushIsAWriteFailure)
{
    const ShownMessage warning{"*** WARNING *** WARNING *** WARNING ***\r\n\r\nYou are about to restore an image.\r\n\r\n"
                               "THIS WILL DESTROY ALL DATA ON THE SELECTED DRIVE!\r\n\r\nDo you really want to continue?",
                               308, "Korvalith WIN - [Restore image]"};
    const ShownMessage writeError{"Can't write requested drive data.\r\n\r\nDo you want to ignore the write error and continue?",
                                  308, "Korvalith WIN - [Restore image]"};
    const ShownMessage failed{"Error while writing drive data.\r\n\r\nAborting image restore.", 16, "Korvalith WIN - [ERROR]"};
    for (const int answer : {IDNO, IDYES}) {
        Fixture f;
        ImageHeader header;
        ASSERT_EQ(CreateImage("PHYSICALDRIVE0", f.image, header), 1);
        f.log.failFlush = true;
        ScriptedMessages messages;
        messages.Answer(IDYES).Answer(answer);
        // Ignored, the failed flush still leaves the run short of a success.
        EXPECT_EQ(RestoreImage("PHYSICALDRIVE1", f.image), answer == IDNO ? -7 : 0);
        const std::vector<ShownMessage> expected =
            answer == IDNO ? std::vector<ShownMessage>{warning, writeError, failed} : std::vector<ShownMessage>{warning, writeError};
        EXPECT_EQ(messages.Shown(), expected);
    }
}

}  // namespace
