// libFuzzer target: arbitrary bytes as an image file, read as a header and
// restored onto a small simulated drive with every question answered Yes;
// bytes that begin as a compressed stream are read as a raw disk image.
//
// When KORVALITH_FUZZ_SEEDS names a folder, a few seed images are written
// there first (a valid image, a header alone, a bad length, a short file).
#include "drive/PhysicalDrive.h"
#include "image/ImageFile.h"
#include "image/ImageHeader.h"
#include "image/KviCodec.h"
#include "image/RestoreImage.h"
#include "platform/DriveBackend.h"
#include "platform/SimulatedDriveBackend.h"
#include "ui/ShowMessage.h"

#include <cstdint>
#include <cstdlib>
#include <lzma.h>
#include <zstd.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int64_t kDriveSize = 1 << 20;
std::string gFolder;
std::string gImage;

void WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        std::abort();
    size_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(fd, data + done, size - done);
        if (put <= 0)
            std::abort();
        done += static_cast<size_t>(put);
    }
    ::close(fd);
}

std::vector<uint8_t> Framed(int32_t length, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> out(4);
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<uint8_t>(static_cast<uint32_t>(length) >> (8 * i));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::vector<uint8_t> Compressed(const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out(IMAGE_BLOCK_ROOM);
    out.resize(static_cast<size_t>(KviCodec().Compress(data.data(), data.size(), out.data(), out.size())));
    return out;
}

void WriteSeeds(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    DISK_GEOMETRY g;
    int64_t capacity = 0;
    GetDriveGeometry("PHYSICALDRIVE0", g, capacity);
    ImageHeader h;
    InitImageHeader(h);
    h.Flags = 1;
    h.DriveSize = 1000;
    h.Cylinders = g.Cylinders;
    h.TracksPerCylinder = static_cast<uint32_t>(g.TracksPerCylinder);
    h.SectorsPerTrack = static_cast<uint32_t>(g.SectorsPerTrack);
    h.BytesPerSector = static_cast<uint32_t>(g.BytesPerSector);
    const ImageHeaderBytes header = PackImageHeader(h);

    std::vector<uint8_t> text(600);
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<uint8_t>("kvi seed "[i % 9]);
    const auto first = Compressed(std::vector<uint8_t>(text.begin(), text.begin() + 600));
    const auto second = Compressed(std::vector<uint8_t>(400, 0));

    auto seed = [&](const std::string& name, std::vector<std::vector<uint8_t>> blocks) {
        std::vector<uint8_t> file(header.begin(), header.end());
        for (const auto& b : blocks)
            file.insert(file.end(), b.begin(), b.end());
        WriteFile(folder + "/" + name, file.data(), file.size());
    };
    seed("seed-valid", {Framed(static_cast<int32_t>(first.size()), first), Framed(static_cast<int32_t>(second.size()), second)});
    seed("seed-header-only", {});
    seed("seed-negative-length", {Framed(-5, {1, 2, 3})});
    seed("seed-cut-block", {Framed(static_cast<int32_t>(first.size()) + 7, first)});
    WriteFile(folder + "/seed-short", header.data(), 200);
    // Raw images in the streams whose sizes the probe reads from their own
    // metadata: a zstd frame and an xz stream of the seed text.
    std::vector<uint8_t> zstd(ZSTD_compressBound(text.size()));
    zstd.resize(ZSTD_compress(zstd.data(), zstd.size(), text.data(), text.size(), 3));
    WriteFile(folder + "/seed-zstd", zstd.data(), zstd.size());
    std::vector<uint8_t> xz(lzma_stream_buffer_bound(text.size()));
    size_t xzSize = 0;
    lzma_easy_buffer_encode(1, LZMA_CHECK_CRC64, nullptr, text.data(), text.size(), xz.data(), &xzSize, xz.size());
    WriteFile(folder + "/seed-xz", xz.data(), xzSize);
}

void RemoveFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(gFolder, ec);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // In memory when possible: the drive is written on every run.
    std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::filesystem::temp_directory_path().string();
    std::string folder = base + "/kvi-fuzz-XXXXXX";
    if (!::mkdtemp(folder.data()))
        std::abort();
    gFolder = folder;
    gImage = gFolder + "/input.kvi";
    const std::string drive = gFolder + "/PHYSICALDRIVE0.img";
    WriteFile(drive, nullptr, 0);
    if (::truncate(drive.c_str(), kDriveSize) != 0)
        std::abort();
    std::atexit(RemoveFolder);

    platform::SetDriveBackend(platform::MakeSimulatedDriveBackend(gFolder));
    SetMessageHandler([](const std::string&, int, const std::string&) { return IDYES; });
    if (const char* seeds = std::getenv("KORVALITH_FUZZ_SEEDS"); seeds && *seeds)
        WriteSeeds(seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteFile(gImage, data, size);
    ImageHeader header;
    if (ReadImageHeader(gImage, header) == VB_TRUE) {
        (void)IsValidImageHeader(header);
        (void)PackImageHeader(header);
    }
    const int32_t result = RestoreImage("PHYSICALDRIVE0", gImage);
    if (result < -8 || result > 1)
        std::abort();
    return 0;
}
