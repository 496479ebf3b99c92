#include "platform/FullIo.h"

#include <cerrno>
#include <sys/types.h>
#include <unistd.h>

namespace {
// Runs `call(done)` until length bytes are through. Returns the bytes
// through, or -1 when a call failed; a call that moves nothing ends the
// loop (the end of a file when reading).
template <typename Call>
int64_t Continue(size_t length, Call call)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t moved = call(done);
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved < 0)
            return -1;
        if (moved == 0)
            break;
        done += static_cast<size_t>(moved);
    }
    return static_cast<int64_t>(done);
}
}  // namespace

int64_t ReadAll(int fd, void* buffer, size_t length)
{
    return Continue(length, [&](size_t done) { return ::read(fd, static_cast<char*>(buffer) + done, length - done); });
}

int64_t ReadAllAt(int fd, void* buffer, size_t length, int64_t offset)
{
    return Continue(length, [&](size_t done) {
        return ::pread(fd, static_cast<char*>(buffer) + done, length - done,
                       static_cast<off_t>(offset + static_cast<int64_t>(done)));
    });
}

bool WriteAll(int fd, const void* buffer, size_t length)
{
    return Continue(length, [&](size_t done) {
               return ::write(fd, static_cast<const char*>(buffer) + done, length - done);
           }) == static_cast<int64_t>(length);
}

bool WriteAllAt(int fd, const void* buffer, size_t length, int64_t offset)
{
    if (offset < 0)
        return false;
    return Continue(length, [&](size_t done) {
               return ::pwrite(fd, static_cast<const char*>(buffer) + done, length - done,
                               static_cast<off_t>(offset + static_cast<int64_t>(done)));
           }) == static_cast<int64_t>(length);
}
