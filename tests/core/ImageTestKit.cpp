#include "ImageTestKit.h"

#include "drive/PhysicalDrive.h"
#include "image/EngineThreads.h"
#include "image/KviCodec.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <zlib.h>

#include "SimulatedDrives.h"

RecordingProgress::RecordingProgress()
{
    previousSink_ = SetProgressSink(this);
    // Every box is also noted here, so the order against the dialog shows.
    previousHandler_ = SetMessageHandler(
        [this](const std::string& prompt, int buttons, const std::string& title) {
            events.push_back("box:" + std::to_string(buttons));
            return previousHandler_ ? previousHandler_(prompt, buttons, title) : 0;
        });
}

RecordingProgress::~RecordingProgress()
{
    SetMessageHandler(std::move(previousHandler_));
    SetProgressSink(previousSink_);
}

bool RecordingProgress::TakeCancelRequest()
{
    for (const Press& p : schedule)
        if (p.poll == polls)
            pending_ += p.presses;
    ++polls;
    const bool pressed = pending_ > 0;
    pending_ = 0;
    return pressed;
}

bool RecordingProgress::Opened() const
{
    for (const auto& e : events)
        if (e.rfind("open:", 0) == 0)
            return true;
    return false;
}

EngineThreadsFor::EngineThreadsFor(int n)
{
    SetEngineThreads(n);
}

EngineThreadsFor::~EngineThreadsFor()
{
    SetEngineThreads(ENGINE_THREADS_AUTO);
}

int ThreadCount()
{
    int count = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

bool ThreadsBackTo(int count)
{
    for (int i = 0; i < 2000 && ThreadCount() > count; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return ThreadCount() == count;
}

Bytes Deflate(const Bytes& data)
{
    Bytes out(compressBound(data.size()));
    uLongf length = out.size();
    compress2(out.data(), &length, data.data(), data.size(), 9);
    out.resize(length);
    return out;
}

Bytes Stored(const Bytes& data)
{
    Bytes out(IMAGE_BLOCK_ROOM);
    out.resize(static_cast<size_t>(KviCodec().Compress(data.data(), data.size(), out.data(), out.size())));
    return out;
}

Bytes Framed(int32_t length, const Bytes& payload)
{
    Bytes out(4);
    const auto u = static_cast<uint32_t>(length);
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<uint8_t>(u >> (8 * i));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

ImageHeader HeaderForDrive(int n)
{
    DISK_GEOMETRY g;
    int64_t capacity = 0;
    GetDriveGeometry("PHYSICALDRIVE" + std::to_string(n), g, capacity);
    ImageHeader h;
    FillImageHeaderForDrive(h, g, capacity);
    return h;
}

Bytes ImageBytes(const ImageHeader& header, const std::vector<Bytes>& blocks)
{
    const ImageHeaderBytes packed = PackImageHeader(header);
    Bytes out(packed.begin(), packed.end());
    for (const Bytes& b : blocks)
        out.insert(out.end(), b.begin(), b.end());
    return out;
}

ParsedImage ParseImage(const std::string& path)
{
    ParsedImage parsed;
    const Bytes file = ReadFileBytes(path);
    if (file.size() < IMAGE_HEADER_SIZE)
        return parsed;
    ImageHeaderBytes head;
    std::memcpy(head.data(), file.data(), head.size());
    parsed.header = UnpackImageHeader(head);
    size_t at = IMAGE_HEADER_SIZE;
    Bytes room(IMAGE_BLOCK_ROOM);
    while (at + 4 <= file.size()) {
        int32_t length = 0;
        std::memcpy(&length, file.data() + at, 4);  // the test machine is little-endian
        at += 4;
        if (length < 0 || at + static_cast<size_t>(length) > file.size())
            return parsed;
        parsed.streams.emplace_back(file.begin() + at, file.begin() + at + length);
        at += length;
        uLongf expanded = room.size();
        if (uncompress(room.data(), &expanded, parsed.streams.back().data(), length) != Z_OK)
            return parsed;
        parsed.expandedSizes.push_back(static_cast<int64_t>(expanded));
    }
    parsed.wellFormed = at == file.size();
    return parsed;
}

bool SameFileContents(const std::string& a, const std::string& b)
{
    FILE* fa = std::fopen(a.c_str(), "rb");
    FILE* fb = std::fopen(b.c_str(), "rb");
    bool same = fa && fb;
    std::vector<char> ba(1 << 20), bb(1 << 20);
    while (same) {
        const size_t na = std::fread(ba.data(), 1, ba.size(), fa);
        const size_t nb = std::fread(bb.data(), 1, bb.size(), fb);
        same = na == nb && std::equal(ba.begin(), ba.begin() + static_cast<long>(na), bb.begin());
        if (na == 0)
            break;
    }
    if (fa)
        std::fclose(fa);
    if (fb)
        std::fclose(fb);
    return same;
}

DrivesInMemory::DrivesInMemory()
{
    const char* old = std::getenv("TMPDIR");
    had_ = old != nullptr;
    old_ = had_ ? old : "";
    if (::access("/dev/shm", W_OK) == 0)
        ::setenv("TMPDIR", "/dev/shm", 1);
}

DrivesInMemory::~DrivesInMemory()
{
    had_ ? ::setenv("TMPDIR", old_.c_str(), 1) : ::unsetenv("TMPDIR");
}
