// `kvi create`, `kvi restore`, `kvi clone`: the drive check, then exactly
// the run the window's buttons make; `kvi convert`, an image into another
// format.
#pragma once

#include <string>

namespace cli {

// Each returns the exit status: 0 completed, 1 ended early, 3 first question
// declined, 4 refused or failed, 2 for a malformed DRIVE.
int RunCreate(const std::string& driveText, const std::string& imagePath, const std::string& creator,
              const std::string& description);
int RunRestore(const std::string& imagePath, const std::string& driveText);
// Clone knows only cloned (0) or not (4).
int RunClone(const std::string& driveText);
// Returns 0 when the drive holds the image, 1 when it differs (the first
// differing byte printed) or the check was stopped, 4 when the image or the
// drive cannot be read, 2 for a malformed DRIVE.
int RunVerify(const std::string& imagePath, const std::string& driveText);
// Convert: 0 converted, 1 ended early, 3 overwrite declined, 4 failed.
int RunConvert(const std::string& inPath, const std::string& outPath, const std::string& creator,
               const std::string& description);

// Returns "" when a new image at imagePath keeps header texts, or when
// none were given; else the usage error to end with (a raw image keeps
// no creator or description).
std::string HeaderTextsProblem(const std::string& imagePath, bool textsGiven);

// Returns the description with the two characters \n turned into a line
// break (stored as CR LF, as the window's text box holds it) and \\ into \.
std::string DescriptionFromCommandLine(const std::string& text);

}  // namespace cli
