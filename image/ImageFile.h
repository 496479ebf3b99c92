// Finding and reading image files.
#pragma once

#include "image/ImageHeader.h"

#include <string>

// Returns True (-1) when Path can be opened for reading (it is closed again at
// once) and is not a directory; False (0) on any failure.
int FileExists(const std::string& Path);

// Returns True (-1) with the first 384 bytes of the file unpacked into
// Header; False (0) with Header untouched when the file is missing,
// unreadable or shorter than 384 bytes.
int ReadImageHeader(const std::string& Path, ImageHeader& Header);
