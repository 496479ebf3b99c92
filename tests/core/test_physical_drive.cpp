#include "drive/PhysicalDrive.h"

#include "SimulatedDrives.h"

#include <gtest/gtest.h>

namespace {

TEST(PhysicalDrive, TableClosesGapsAndKeepsEntryZeroEmpty)
{
    SimulatedDrives drives;
    drives.Add(0, 1 << 20);
    drives.Add(2, 1 << 20);
    drives.Add(128, 1 << 20);  // beyond the numbers ever tried

    EXPECT_EQ(CountPhysicalDrives(), 2);
    std::vector<DriveEntry> table(5, DriveEntry{"x", "y"});
    EnumPhysicalDrives(table);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].DeviceName, "");
    EXPECT_EQ(table[0].DisplayName, "");
    EXPECT_EQ(table[1].DeviceName, "PHYSICALDRIVE0");
    EXPECT_EQ(table[1].DisplayName, "Physical Drive 0");
    EXPECT_EQ(table[2].DeviceName, "PHYSICALDRIVE2");
    EXPECT_EQ(table[2].DisplayName, "Physical Drive 2");
}

TEST(PhysicalDrive, NoDriveGivesOnlyTheEmptyEntry)
{
    SimulatedDrives drives;
    EXPECT_EQ(CountPhysicalDrives(), 0);
    std::vector<DriveEntry> table;
    EnumPhysicalDrives(table);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].DeviceName, "");
}

TEST(PhysicalDrive, SizeLimitBoundary)
{
    SimulatedDrives drives;
    drives.Add(0, 4294967296LL, {{"MediaType", "12"}});
    drives.Add(1, 4294967808LL, {{"MediaType", "12"}});
    lAcceptFixedDriveSizeMaxMB_g = 4096;
    EXPECT_EQ(IsDriveSizeAccepted({"PHYSICALDRIVE0", ""}), VB_TRUE);
    EXPECT_EQ(IsDriveSizeAccepted({"PHYSICALDRIVE1", ""}), VB_FALSE);
    lAcceptFixedDriveSizeMaxMB_g = -2147483647 - 1;  // a stored value of 2^31
    EXPECT_EQ(IsDriveSizeAccepted({"PHYSICALDRIVE0", ""}), VB_FALSE);
    lAcceptFixedDriveSizeMaxMB_g = 4096;
}

TEST(PhysicalDrive, NamesWithSpacesAroundThemOpenTheSameDrive)
{
    SimulatedDrives drives;
    drives.Add(3, 2 << 20);
    for (const std::string name : {"PHYSICALDRIVE3", "  PHYSICALDRIVE3", "PHYSICALDRIVE3  ", " PHYSICALDRIVE3 "}) {
        SCOPED_TRACE(name);
        DISK_GEOMETRY g;
        int64_t capacity = -1;
        EXPECT_EQ(GetDriveGeometry(name, g, capacity), 1);
        EXPECT_EQ(capacity, 2 << 20);
        EXPECT_EQ(IsRemovableMedia(name), VB_TRUE);
    }
    EXPECT_EQ(EjectMedia(" PHYSICALDRIVE3 "), 1);
}

TEST(PhysicalDrive, NoMediumIsListedButGivesNoInformation)
{
    SimulatedDrives drives;
    drives.Add(0, 1 << 20, {{"NoMedium", "1"}});
    EXPECT_EQ(CountPhysicalDrives(), 1);
    DISK_GEOMETRY g;
    int64_t capacity = 77;
    EXPECT_EQ(GetDriveGeometry("PHYSICALDRIVE0", g, capacity), 0);
    EXPECT_EQ(capacity, 77);
    EXPECT_EQ(IsRemovableMedia("PHYSICALDRIVE0"), VB_FALSE);
    EXPECT_EQ(IsDriveSizeAccepted({"PHYSICALDRIVE0", ""}), VB_FALSE);
}

TEST(PhysicalDrive, LengthFailingGivesResultZeroAndCapacityZero)
{
    SimulatedDrives drives;
    drives.Add(0, 1 << 20, {{"FailPartitionInfo", "1"}});
    DISK_GEOMETRY g;
    int64_t capacity = 77;
    EXPECT_EQ(GetDriveGeometry("PHYSICALDRIVE0", g, capacity), 0);
    EXPECT_EQ(capacity, 0);
    EXPECT_EQ(g.MediaType, MEDIA_TYPE_REMOVABLE);
}

TEST(PhysicalDrive, GeometryIsSynthesizedLikeWindowsReportsUsbMedia)
{
    SimulatedDrives drives;
    drives.Add(0, 243LL * 16065 * 512 + 511);
    drives.Add(1, 1 << 20);
    DISK_GEOMETRY g;
    int64_t capacity = 0;
    ASSERT_EQ(GetDriveGeometry("PHYSICALDRIVE0", g, capacity), 1);
    EXPECT_EQ(g.Cylinders, 243);
    EXPECT_EQ(g.TracksPerCylinder, 255);
    EXPECT_EQ(g.SectorsPerTrack, 63);
    EXPECT_EQ(g.BytesPerSector, 512);
    ASSERT_EQ(GetDriveGeometry("PHYSICALDRIVE1", g, capacity), 1);
    EXPECT_EQ(g.Cylinders, 2048);  // too small for one cylinder: one sector each
    EXPECT_EQ(g.TracksPerCylinder, 1);
    EXPECT_EQ(g.SectorsPerTrack, 1);
}

TEST(PhysicalDrive, EjectOfADriveThatCannotBeOpenedSendsNoRequest)
{
    SimulatedDrives drives;
    drives.Add(0, 1 << 20, {{"EjectResult", "0"}});
    EXPECT_EQ(EjectMedia("PHYSICALDRIVE5"), 0);
    EXPECT_EQ(EjectMedia("PHYSICALDRIVE0"), 0);
    drives.SetIni(0, {});
    EXPECT_EQ(EjectMedia("PHYSICALDRIVE0"), 1);
    DISK_GEOMETRY g;
    int64_t capacity = 0;
    EXPECT_EQ(GetDriveGeometry("PHYSICALDRIVE0", g, capacity), 0);  // no medium after the eject
}

TEST(PhysicalDrive, DevicePathsOutsideTheNamingAreRefused)
{
    for (const char* path : {"\\\\.\\PHYSICALDRIVE", "\\\\.\\PHYSICALDRIVE128", "\\\\.\\PHYSICALDRIVE01",
                             "\\\\.\\PHYSICALDRIVE1 ", "PHYSICALDRIVE1", "\\\\.\\physicaldrive1"})
        EXPECT_EQ(platform::ParseDevicePath(path), -1) << path;
    EXPECT_EQ(platform::ParseDevicePath("\\\\.\\PHYSICALDRIVE127"), 127);
    EXPECT_EQ(platform::ParseDevicePath("\\\\.\\PHYSICALDRIVE0"), 0);
}

}  // namespace
