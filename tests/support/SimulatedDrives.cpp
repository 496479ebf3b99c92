#include "SimulatedDrives.h"

#include "drive/PhysicalDrive.h"
#include "platform/DriveBackend.h"
#include "platform/SimulatedDriveBackend.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace {
// The simulated drives under a backend that says it is not simulated.
class RealLooking : public platform::DriveBackend {
public:
    explicit RealLooking(const std::string& dir) : inner_(platform::MakeSimulatedDriveBackend(dir)) {}
    std::vector<platform::DriveRecord> List() override { return inner_->List(); }
    std::unique_ptr<platform::DriveHandle> Open(const platform::DriveRecord& record, platform::OpenPurpose purpose,
                                                platform::DriveProblem* problem) override
    {
        return inner_->Open(record, purpose, problem);
    }
    bool IsSimulated() const override { return false; }

private:
    std::unique_ptr<platform::DriveBackend> inner_;
};
}  // namespace

SimulatedDrives::SimulatedDrives()
{
    std::string templ = (std::filesystem::temp_directory_path() / "kvi-drives-XXXXXX").string();
    if (!::mkdtemp(templ.data()))
        throw std::runtime_error("mkdtemp failed");
    dir_ = templ;
    platform::SetDriveBackend(platform::MakeSimulatedDriveBackend(dir_));
    Enumerate();
}

SimulatedDrives::~SimulatedDrives()
{
    platform::SetDriveBackend(nullptr);
    tPhysicalDrives_g.assign(1, DriveEntry{});
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string SimulatedDrives::ImagePath(int n) const
{
    return dir_ + "/PHYSICALDRIVE" + std::to_string(n) + ".img";
}

void SimulatedDrives::Add(int n, int64_t size, const std::map<std::string, std::string>& ini)
{
    { std::ofstream(ImagePath(n), std::ios::binary | std::ios::trunc); }
    std::filesystem::resize_file(ImagePath(n), static_cast<uintmax_t>(size));
    SetIni(n, ini);
}

void SimulatedDrives::Enumerate()
{
    EnumPhysicalDrives(tPhysicalDrives_g);
}

void SimulatedDrives::LookReal()
{
    platform::SetDriveBackend(std::make_unique<RealLooking>(dir_));
    Enumerate();
}

void SimulatedDrives::AddWithBytes(int n, const std::vector<uint8_t>& bytes, const std::map<std::string, std::string>& ini)
{
    WriteFileBytes(ImagePath(n), bytes);
    SetIni(n, ini);
}

void SimulatedDrives::SetIni(int n, const std::map<std::string, std::string>& ini)
{
    const std::string path = dir_ + "/PHYSICALDRIVE" + std::to_string(n) + ".ini";
    if (ini.empty()) {
        std::filesystem::remove(path);
        Enumerate();
        return;
    }
    std::ofstream out(path, std::ios::trunc);
    for (const auto& [key, value] : ini)
        out << key << '=' << value << '\n';
    out.close();
    Enumerate();
}

void SimulatedDrives::Remove(int n)
{
    std::filesystem::remove(ImagePath(n));
    std::filesystem::remove(dir_ + "/PHYSICALDRIVE" + std::to_string(n) + ".ini");
    Enumerate();
}

std::vector<uint8_t> SimulatedDrives::Bytes(int n) const
{
    return ReadFileBytes(ImagePath(n));
}

std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed)
{
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        if (i % 7 == 0) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
        }
        bytes[i] = static_cast<uint8_t>((i % 7 == 0) ? x : (i / 64) & 0xFF);
    }
    return bytes;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
