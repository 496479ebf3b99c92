// Finding and reading image files.
#pragma once

#include "image/ImageHeader.h"

#include <string>

// Returns True (-1) when something that is not a directory is at Path
// (whether or not this user may read it); False (0) otherwise.
int FileExists(const std::string& Path);

// Returns True (-1) with the first 384 bytes of the file unpacked into
// Header; False (0) with Header untouched when the file is missing,
// unreadable or shorter than 384 bytes.
int ReadImageHeader(const std::string& Path, ImageHeader& Header);
