// Image conversion: any image this program reads into a new image in the
// format its name chooses (image/ImageFormats.h), block after block through
// the one block loop, with the same progress, Cancel and error boxes as a
// creation. A .kvi written here carries the source's geometry when the
// source is a .kvi, else the geometry a Linux drive of that size reports,
// and the given creator and description.
#pragma once

#include <cstdint>
#include <string>

// Converts the image at inPath into outPath, asking before an existing file
// is overwritten; a confirmed abort deletes the new file. Shows its own
// error box for codes -2 and below.
// Returns 1 complete, 0 ended early (abort confirmed, a .kvi source ending
// before its size), -1 overwrite declined, -2 inPath is no image this
// program reads, -3 a file could not be opened (or both names are one file),
// -4 a header could not be read or written, -6 the source could not be read
// (a raw image: also changed while it was read), -7 the new image could not
// be written, -8 a block or stream could not be expanded or compressed.
int32_t ConvertImage(const std::string& inPath, const std::string& outPath, const std::string& creator,
                     const std::string& description);
