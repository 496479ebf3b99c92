// Who the program says it is: product name, build stamp and the version line
// shown in the about window and in the file association question.
#pragma once

#include <string>

inline constexpr const char* PRODUCT_NAME = "Korvalith(tm) WIN";
inline constexpr const char* BUILD_STAMP = "21112005";

// KORVALITH_VERSION_MAJOR/MINOR come from the build (korvalith_core).
// Returns "Version <major>.<minor> [Build <stamp>]", numbers in plain decimal.
inline std::string VersionLine()
{
    return "Version " + std::to_string(KORVALITH_VERSION_MAJOR) + "." + std::to_string(KORVALITH_VERSION_MINOR) +
           " [Build " + BUILD_STAMP + "]";
}
