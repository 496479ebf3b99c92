// Helpers for the image engine tests: a recording progress dialog, images
// built by hand, and images taken apart again.
#pragma once

#include "image/ImageHeader.h"
#include "ui/Progress.h"
#include "ui/ShowMessage.h"

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// The bar the recorder stands in for: the window's dialog's, 247 pixels.
constexpr int PROGRESS_BAR_WIDTH = 247;

// Records what the engine does with the progress dialog, and every message
// box in between (as "box:<buttons>"), in one event list. Cancel presses are
// scheduled per poll: pressesBeforePoll[i] presses happen before poll i.
class RecordingProgress : public ProgressSink {
public:
    RecordingProgress();
    ~RecordingProgress() override;

    void Open(const std::string& info) override { events.push_back("open:" + info); }
    void ChangeInfo(const std::string& info) override { events.push_back("info:" + info); }
    int BarWidth() const override { return PROGRESS_BAR_WIDTH; }
    void SetBarWidth(int width) override
    {
        events.push_back("bar:" + std::to_string(width));
        widths.push_back(width);
    }
    void SetBytes(int64_t done, int64_t) override { bytes.push_back(done); }
    bool TakeCancelRequest() override;
    void DoEvents() override { ++doEvents; }
    void Close() override { events.push_back("close"); }

    // Cancel clicks before the given poll (0 = the first); they add up.
    void PressCancelBeforePoll(int poll, int presses = 1) { schedule.push_back({poll, presses}); }
    bool Opened() const;

    std::vector<std::string> events;
    std::vector<int> widths;
    std::vector<int64_t> bytes;
    int polls = 0;
    int doEvents = 0;

private:
    struct Press {
        int poll;
        int presses;
    };
    std::vector<Press> schedule;
    int pending_ = 0;
    ProgressSink* previousSink_ = nullptr;
    MessageHandler previousHandler_;
};

// Runs the engine with the given coding threads (image/EngineThreads.h)
// for its lifetime; one coder per core again afterwards.
class EngineThreadsFor {
public:
    explicit EngineThreadsFor(int n);
    ~EngineThreadsFor();
};

// Returns the number of threads this process has now.
int ThreadCount();
// Returns true once the process is down to `count` threads: a joined thread
// may linger for a moment before the system forgets it, so this waits up to
// two seconds for it.
bool ThreadsBackTo(int count);

// The zlib stream compress2 makes at level 9.
Bytes Deflate(const Bytes& data);
// The stream the .kvi codec makes of `data` on its own, at the level in use.
Bytes Stored(const Bytes& data);
// A block as stored: 4-byte little-endian length, then the bytes.
Bytes Framed(int32_t length, const Bytes& payload);
// The header a new image of drive n would carry (geometry and size of the
// drive as the backend reports them, Flags 1).
ImageHeader HeaderForDrive(int n);
// An image file's bytes: the packed header, then the given block bytes.
Bytes ImageBytes(const ImageHeader& header, const std::vector<Bytes>& blocks);

// Returns true when both files hold the same bytes, compared a piece at a time.
bool SameFileContents(const std::string& a, const std::string& b);

// Keeps the drives of one test in memory when the machine has a tmpfs: a
// restored drive of gigabytes then need not reach a disk.
class DrivesInMemory {
public:
    DrivesInMemory();
    ~DrivesInMemory();

private:
    bool had_ = false;
    std::string old_;
};

struct ParsedImage {
    ImageHeader header;
    std::vector<Bytes> streams;  // each block's zlib stream as stored
    std::vector<int64_t> expandedSizes;
    bool wellFormed = false;     // every block framed and expanding cleanly
};
ParsedImage ParseImage(const std::string& path);
