// Image files through plain POSIX calls: an owned descriptor and whole-length
// reads and writes that ride over short transfers and interrupted calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

class PosixFile {
public:
    PosixFile() = default;
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() { Close(); }
    PosixFile(PosixFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    PosixFile& operator=(PosixFile&& other) noexcept;
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    // Returns the file opened for reading; not open on failure.
    static PosixFile OpenForReading(const std::string& path);
    // Returns the file created anew (an existing regular file is emptied, a
    // new one gets 0666 less the umask); not open on failure or when the
    // path names anything but a regular file.
    static PosixFile CreateForWriting(const std::string& path);

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    void Close();

    // Returns the bytes read, fewer than length only at the end of the file;
    // -1 when a read call failed.
    int64_t ReadFull(void* buffer, size_t length);
    // Returns true when all length bytes were written.
    bool WriteFull(const void* buffer, size_t length);
    // Returns true when all length bytes were written at file offset
    // `offset`; the file position stays where it was.
    bool WriteFullAt(const void* buffer, size_t length, int64_t offset);
    // Returns true once the written data is on the storage itself.
    bool Sync();

private:
    int fd_ = -1;
};
