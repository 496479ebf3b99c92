// The maker's texts of the splash and about window.
#pragma once

#include <QString>

// Returns the ten credits lines joined by CR LF, none after the last line.
QString CreditsText();

// Returns the maker's copyright line.
QString CopyrightLine();
