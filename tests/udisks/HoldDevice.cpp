// udisks_hold DEVICE: opens the device for reading through udisks2, as a
// disk utility of the same user would, and keeps it open until killed.
// Prints "holding" once the device is open. Exit status 1 when it cannot.
#include "platform/DriveAccess.h"
#include "platform/udisks/UdisksDriveAccess.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 2)
        return 1;
    platform::InstallUdisksAccess();
    const platform::AccessOpen opened =
        platform::AccessForOpening(argv[1], platform::OpenPurpose::ReadWhole).OpenDevice(argv[1], platform::OpenPurpose::ReadWhole);
    if (opened.fd < 0) {
        std::fprintf(stderr, "udisks_hold: %s\n", opened.problem.detail.c_str());
        return 1;
    }
    std::printf("holding\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}
