// `kvi create`, `kvi restore`, `kvi clone`: the drive check, then exactly
// the run the window's buttons make.
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

// Returns the description with the two characters \n turned into a line
// break (stored as CR LF, as the window's text box holds it) and \\ into \.
std::string DescriptionFromCommandLine(const std::string& text);

}  // namespace cli
