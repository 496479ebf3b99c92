#include "platform/DriveBackend.h"

#include "drive/CapacityText.h"
#include "platform/LinuxDriveBackend.h"
#include "platform/SimulatedDriveBackend.h"

#include <cstdlib>
#include <sys/stat.h>

namespace platform {

namespace {
std::unique_ptr<DriveBackend>& Slot()
{
    static std::unique_ptr<DriveBackend> backend;
    return backend;
}

bool IsDirectory(const char* path)
{
    struct stat st {};
    return path && *path && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

DriveBackend& ActiveDriveBackend()
{
    auto& backend = Slot();
    if (!backend) {
        const char* dir = std::getenv("KORVALITH_SIMULATED_DRIVES");
        if (dir && *dir)
            // A named folder that is missing gives no drives rather than the
            // real ones: whoever set the variable did not mean real disks.
            backend = MakeSimulatedDriveBackend(IsDirectory(dir) ? dir : "");
        else
            backend = MakeLinuxDriveBackend();
    }
    return *backend;
}

void SetDriveBackend(std::unique_ptr<DriveBackend> backend)
{
    Slot() = std::move(backend);
}

int ParseDevicePath(const std::string& devicePath)
{
    static const std::string prefix = "\\\\.\\PHYSICALDRIVE";
    if (devicePath.size() <= prefix.size() || devicePath.size() > prefix.size() + 3 ||
        devicePath.compare(0, prefix.size(), prefix) != 0)
        return -1;
    const std::string digits = devicePath.substr(prefix.size());
    if (digits.size() > 1 && digits[0] == '0')
        return -1;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n <= 127 ? n : -1;
}

std::string DriveRecord::Description() const
{
    std::string text = devicePath;
    auto add = [&text](const std::string& part) {
        if (part.empty())
            return;
        if (!text.empty())
            text += " \xE2\x80\x94 ";  // em dash
        text += part;
    };
    std::string name = vendor;
    if (!model.empty())
        name += (name.empty() ? "" : " ") + model;
    add(name);
    if (identity.size >= 0)
        add(FormatCapacity(ScaleCapacity(identity.size)));
    return text;
}

namespace {
class AnsweringHandle : public DriveHandle {
public:
    AnsweringHandle(std::optional<DISK_GEOMETRY> geometry, std::optional<int64_t> length)
        : geometry_(geometry), length_(length)
    {
    }
    bool GetGeometry(DISK_GEOMETRY& out) override
    {
        if (geometry_)
            out = *geometry_;
        return geometry_.has_value();
    }
    bool GetLength(int64_t& out) override
    {
        if (length_)
            out = *length_;
        return length_.has_value();
    }
    bool Eject() override { return false; }
    int64_t Read(void*, size_t) override { return -1; }
    bool WriteAt(const void*, size_t, int64_t) override { return false; }
    bool Flush() override { return false; }

private:
    std::optional<DISK_GEOMETRY> geometry_;
    std::optional<int64_t> length_;
};
}  // namespace

namespace {
std::vector<std::string>& Notes()
{
    static std::vector<std::string> notes;
    return notes;
}
}  // namespace

void AddOpenNote(const std::string& note)
{
    Notes().push_back(note);
}

std::vector<std::string> TakeOpenNotes()
{
    std::vector<std::string> notes;
    notes.swap(Notes());
    return notes;
}

std::unique_ptr<DriveHandle> MakeAnsweringHandle(std::optional<DISK_GEOMETRY> geometry, std::optional<int64_t> length)
{
    return std::make_unique<AnsweringHandle>(geometry, length);
}

}  // namespace platform
