// Program-wide state of the window program.
#pragma once

#include <string>

// The current image file (UTF-8); "" when none is chosen. It may name a file
// that does not exist yet. Set only through frmKorvalithWIN::SetImageFile.
extern std::string sImageFile_g;

// The caption's fixed start and the program's identity.
inline constexpr const char* CAPTION_PREFIX = "/// ";
