// The deflate codecs of the images written with libdeflate: the .kvi
// block codec, which the .kvi reader and writer take (zlib streams), and
// the .img.gz member codec (gzip members), both at the level chosen for the
// runs that start from now on.
#pragma once

#include "image/BlockCodec.h"

// The levels a user may choose, libdeflate's: fastest to smallest image.
constexpr int KVI_FASTEST_LEVEL = 1;
constexpr int KVI_SMALLEST_LEVEL = 12;

// The level new images are written at unless another is chosen: the fastest
// whose images are no larger than `gzip -9` makes of the same drives, on the
// benchmark's cards (bench/results.md).
constexpr int KVI_DEFAULT_LEVEL = 7;

// Chooses the level of the images created from now on (1 fastest .. 12
// smallest). Returns false, changing nothing, for a level outside 1..12.
bool SetKviLevel(int level);

// Returns the level images are created at now.
int KviLevel();

// Returns the codec of .kvi blocks: the installed one, else libdeflate at
// KviLevel().
const BlockCodec& KviCodec();

// Returns the codec of .img.gz blocks: each block a gzip member of its
// own, through libdeflate at KviLevel().
const BlockCodec& GzipMemberCodec();

// Installs a codec in place of libdeflate's (not owned; a test's, to bring
// about what a codec can do), nullptr going back to libdeflate. Returns the
// one replaced, nullptr for libdeflate's.
const BlockCodec* InstallKviCodec(const BlockCodec* codec);
