// A temporary folder of simulated drives, installed as the drive backend for
// the fixture's lifetime. The drive table follows what the fixture does to
// the drives (as the window's list would), so the drive routines find them
// by name; a change made behind its back (a file replaced directly) is not
// seen until Enumerate.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class SimulatedDrives {
public:
    SimulatedDrives();
    ~SimulatedDrives();
    SimulatedDrives(const SimulatedDrives&) = delete;
    SimulatedDrives& operator=(const SimulatedDrives&) = delete;

    const std::string& Dir() const { return dir_; }

    // Creates drive n as a file of `size` bytes (sparse, all zero unless
    // `fill` is given) with the given .ini settings.
    void Add(int n, int64_t size, const std::map<std::string, std::string>& ini = {});
    // Creates drive n holding exactly these bytes.
    void AddWithBytes(int n, const std::vector<uint8_t>& bytes, const std::map<std::string, std::string>& ini = {});
    void SetIni(int n, const std::map<std::string, std::string>& ini);
    void Remove(int n);
    // Rebuilds the drive table from a new scan.
    void Enumerate();
    // From now on the drives pass for real ones (the backend says it is not
    // simulated), so what is shown only for real drives can be seen.
    void LookReal();
    std::string ImagePath(int n) const;
    std::vector<uint8_t> Bytes(int n) const;

    // A fresh path inside the fixture's folder for an image or other file.
    std::string FilePath(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

// Bytes that compress a little and differ from block to block.
std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed = 1);
std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
