#include "drive/PhysicalDrive.h"
#include "image/FixedText.h"
#include "image/ImageFile.h"
#include "image/ImageHeader.h"

#include "ImageTestKit.h"
#include "SimulatedDrives.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>

namespace {

void Put(Bytes& b, size_t at, const Bytes& what)
{
    std::copy(what.begin(), what.end(), b.begin() + static_cast<long>(at));
}
Bytes Ascii(const char* s)
{
    return Bytes(s, s + std::strlen(s));
}

TEST(ImageHeader, PacksToTheExactBytesWrittenByHand)
{
    ImageHeader h;
    InitImageHeader(h);
    h.CreationDate = FixedText("21.11.2005", ImageHeader::CreationDateWidth);
    h.Description = FixedText("Backup", ImageHeader::DescriptionWidth);
    h.Creator = FixedText("J\xC3\xBCrgen", ImageHeader::CreatorWidth);  // "Jürgen"
    h.Flags = 1;
    h.DriveSize = 0x0102030405060708;
    h.Cylinders = 243;
    h.TracksPerCylinder = 255;
    h.SectorsPerTrack = 63;
    h.BytesPerSector = 512;

    Bytes expected(384, 0);
    Put(expected, 0, Ascii("Korvalith WIN"));
    Put(expected, 16, {0x01, 0x01});
    Put(expected, 18, Ascii("21112005"));
    Put(expected, 32, Ascii("Backup"));
    Put(expected, 288, {'J', 0xFC, 'r', 'g', 'e', 'n'});  // six bytes, not seven
    Put(expected, 320, Ascii("21.11.2005"));
    Put(expected, 336, {0x01, 0, 0, 0});
    Put(expected, 340, {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01});
    Put(expected, 348, {243, 0, 0, 0, 0, 0, 0, 0});
    Put(expected, 356, {255, 0, 0, 0});
    Put(expected, 360, {63, 0, 0, 0});
    Put(expected, 364, {0x00, 0x02, 0, 0});
    Put(expected, 382, {0x0C, 0xC5});

    const ImageHeaderBytes packed = PackImageHeader(h);
    EXPECT_EQ(Bytes(packed.begin(), packed.end()), expected);

    SimulatedDrives dir;
    const std::string path = dir.FilePath("fixture.kvi");
    Bytes file = expected;
    file.push_back(0x55);  // a block area behind the header is not read
    WriteFileBytes(path, file);
    ImageHeader read;
    ASSERT_EQ(ReadImageHeader(path, read), VB_TRUE);
    EXPECT_EQ(read.Creator, h.Creator);
    EXPECT_EQ(CutAtNul(read.Creator), "J\xC3\xBCrgen");
    EXPECT_EQ(read.DriveSize, h.DriveSize);
    EXPECT_EQ(read.Reserved[7], IMAGE_SIGNATURE);
    const ImageHeaderBytes again = PackImageHeader(read);
    EXPECT_EQ(Bytes(again.begin(), again.end()), expected);
    EXPECT_EQ(IsValidImageHeader(read), VB_TRUE);
}

TEST(ImageHeader, ValidationLooksAtNameVersionAndFlagBitZeroOnly)
{
    const struct {
        const char* name;
        std::function<void(ImageHeader&)> change;
        int valid;
    } cases[] = {
        {"as written", [](ImageHeader&) {}, VB_TRUE},
        {"version 0x0100", [](ImageHeader& h) { h.Version = 0x0100; }, VB_TRUE},
        {"version 0x0102", [](ImageHeader& h) { h.Version = 0x0102; }, VB_FALSE},
        {"version 0x0200", [](ImageHeader& h) { h.Version = 0x0200; }, VB_FALSE},
        {"version 0x8000 (negative, compared signed)", [](ImageHeader& h) { h.Version = INT16_MIN; }, VB_TRUE},
        {"flags 0", [](ImageHeader& h) { h.Flags = 0; }, VB_FALSE},
        {"flags 3", [](ImageHeader& h) { h.Flags = 3; }, VB_TRUE},
        {"flags 2", [](ImageHeader& h) { h.Flags = 2; }, VB_FALSE},
        {"name padded with spaces", [](ImageHeader& h) { h.ProgramName = std::string("Korvalith WIN   "); }, VB_FALSE},
        {"name in lower case", [](ImageHeader& h) { h.ProgramName = FixedText("korvalith WIN", 16); }, VB_FALSE},
        {"no signature, other reserved words", [](ImageHeader& h) { h.Reserved = {1, 2, 3, 4, 5, 6, 7, 0}; }, VB_TRUE},
        {"other build and date", [](ImageHeader& h) { h.Build = FixedText("x", 14); h.CreationDate = FixedText("", 16); }, VB_TRUE},
    };
    for (const auto& c : cases) {
        ImageHeader h;
        InitImageHeader(h);
        h.Flags = 1;
        c.change(h);
        // Through the bytes, as a reader meets it.
        EXPECT_EQ(IsValidImageHeader(UnpackImageHeader(PackImageHeader(h))), c.valid) << c.name;
    }
}

TEST(ImageHeader, FixedTextIsCutPaddedAndSingleByte)
{
    const std::string forty(40, 'a');
    EXPECT_EQ(FixedText(forty, 32), std::string(32, 'a'));
    const std::string five = FixedText("Maria", 32);
    EXPECT_EQ(five, "Maria" + std::string(27, '\0'));
    EXPECT_EQ(CutAtNul(five), "Maria");
    EXPECT_EQ(CutAtNul(""), "");
    EXPECT_EQ(CutAtNul("no nul here"), "no nul here");

    std::string field(16, 'x');  // PadWithNul's own contract: |N - length| NULs
    PadWithNul("Korvalith WIN", field);
    EXPECT_EQ(field, std::string("Korvalith WIN\0\0\0", 16));
    field = std::string(4, 'x');
    PadWithNul("abcdef", field);
    EXPECT_EQ(field, std::string("abcdef\0\0", 8));

    // Characters, not UTF-8 bytes, fill the width.
    const std::string accented = FixedText("\xC3\xA9\xC3\xA9\xC3\xA9", 2);  // "ééé"
    EXPECT_EQ(accented, "\xC3\xA9\xC3\xA9");
    EXPECT_EQ(EncodeCp1252("J\xC3\xBCrgen \xE2\x82\xAC \xE6\x97\xA5", 12), std::string("J\xFCrgen \x80 ?\0", 12));
    EXPECT_EQ(DecodeCp1252("\x80\x81\xE9"), "\xE2\x82\xAC\xC2\x81\xC3\xA9");
    EXPECT_EQ(EncodeCp1252("\xFF\xFEok", 4), "??ok");  // bytes that are no UTF-8
}

TEST(ImageHeader, ReadingRefusesWhatIsNoHeader)
{
    SimulatedDrives dir;
    ImageHeader h;
    h.Flags = 77;
    EXPECT_EQ(ReadImageHeader(dir.FilePath("missing.kvi"), h), VB_FALSE);
    EXPECT_EQ(ReadImageHeader(dir.Dir(), h), VB_FALSE);
    WriteFileBytes(dir.FilePath("short.kvi"), Bytes(383, 0x01));
    EXPECT_EQ(ReadImageHeader(dir.FilePath("short.kvi"), h), VB_FALSE);
    EXPECT_EQ(h.Flags, 77);  // untouched on every failure
    EXPECT_EQ(FileExists(dir.FilePath("short.kvi")), VB_TRUE);
    EXPECT_EQ(FileExists(dir.Dir()), VB_FALSE);
    EXPECT_EQ(FileExists(""), VB_FALSE);
}

TEST(ImageHeader, CreationDateIsDayMonthYearWithLeadingZeros)
{
    const char* oldTz = std::getenv("TZ");
    const std::string saved = oldTz ? oldTz : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(CreationDateText(1709611200), "05.03.2024");  // 2024-03-05 04:00 UTC
    EXPECT_EQ(CreationDateText(1132531200), "21.11.2005");
    oldTz ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();

    ImageHeader h;
    h.Creator = FixedText("kept", 32);
    InitImageHeader(h);
    EXPECT_EQ(h.CreationDate, FixedText(CreationDateText(std::time(nullptr)), 16));
    EXPECT_EQ(CutAtNul(h.Creator), "kept");
    EXPECT_EQ(h.Flags, 0);  // InitImageHeader leaves the rest alone
}

}  // namespace
