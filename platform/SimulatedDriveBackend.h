// Drives made of files, for tests and demonstrations.
//
// Drive n exists while <dir>/PHYSICALDRIVE<n>.img is a regular file: its
// bytes are the medium. An optional <dir>/PHYSICALDRIVE<n>.ini of Key=Value
// lines describes the drive and the faults it shows:
//   MediaType (11), Cylinders, TracksPerCylinder, SectorsPerTrack,
//   BytesPerSector (from the capacity, 512-byte sectors), Capacity (file size)
//   NoMedium=1            the geometry request fails
//   FailPartitionInfo=1   the length request fails
//   FailOpenForRead=1, FailOpenForWrite=1   opening to read / write a whole drive fails
//   FailReadAt=<offset>   a read covering this drive offset fails
//   EndAt=<offset>        reads at or beyond it deliver 0 bytes
//   FailWriteAt=<offset>  a write covering this drive offset fails
//   EjectResult=0|1 (1)   an eject that succeeds leaves the drive without a
//                         medium for the rest of the process
//   SilentCorruptAt=<offset>  writes succeed, but the byte there reads back changed
//   FakeCapacity=<bytes>  the drive stores only this many bytes: offsets wrap
//                         around at it, as on a counterfeit card
//   MountedAt=<path>      a filesystem of the drive is mounted there for writing
//   MountBusy=1           that filesystem is busy: opening to write the drive fails
// The .ini is read at every open, so a test may change it between runs.
// A drive is identified by its file (file system, inode, birth time) and
// its capacity: replacing the file, or changing its size, makes it another
// disk, which an open of the old record refuses.
#pragma once

#include "platform/DriveBackend.h"

#include <memory>
#include <string>

namespace platform {

std::unique_ptr<DriveBackend> MakeSimulatedDriveBackend(const std::string& directory);

}  // namespace platform
