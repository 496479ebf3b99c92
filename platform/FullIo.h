// Whole transfers on a file descriptor: a short transfer or an interrupted
// call is continued until all bytes are through, the file ends or a call
// fails.
#pragma once

#include <cstddef>
#include <cstdint>

// Returns the bytes read at the current position (fewer than length only
// at the end of the file), or -1 when a read failed.
int64_t ReadAll(int fd, void* buffer, size_t length);

// Returns the bytes read at `offset`, as ReadAll.
int64_t ReadAllAt(int fd, void* buffer, size_t length, int64_t offset);

// Returns true when all bytes were written at the current position.
bool WriteAll(int fd, const void* buffer, size_t length);

// Returns true when all bytes were written at `offset` (never negative).
bool WriteAllAt(int fd, const void* buffer, size_t length, int64_t offset);
