#include "platform/SyntheticGeometry.h"

DISK_GEOMETRY SynthesizeGeometry(int64_t capacity, int32_t bytesPerSector)
{
    DISK_GEOMETRY g;
    g.BytesPerSector = bytesPerSector;
    const int64_t sectors = bytesPerSector > 0 ? capacity / bytesPerSector : 0;
    g.TracksPerCylinder = 255;
    g.SectorsPerTrack = 63;
    g.Cylinders = sectors / (255 * 63);
    if (g.Cylinders == 0) {
        g.TracksPerCylinder = 1;
        g.SectorsPerTrack = 1;
        g.Cylinders = sectors;
    }
    return g;
}
