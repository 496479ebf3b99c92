// Comparing a drive with an image, writing nothing (`kvi verify`).
#pragma once

#include <cstdint>
#include <string>

enum class VerifyOutcome {
    Same,            // every byte of the image is on the drive
    Differs,         // `at` is the first differing byte (or where the drive ends)
    ImageEndsEarly,  // the image holds fewer bytes than its drive size; those match, up to `at`
    Aborted,         // the user confirmed the abort question
    Failed,          // the drive or the image could not be read; the error box said why
};

struct VerifyResult {
    VerifyOutcome outcome = VerifyOutcome::Failed;
    int64_t at = -1;
};

// Reads the image at ImagePath and drive DriveName ("PHYSICALDRIVE" + n),
// the drive past every cache, and compares them over the image's drive
// size, with the progress dialog and the question "Abort verification?".
// Shows an error box when either cannot be read. Returns how it ended.
VerifyResult VerifyImage(const std::string& DriveName, const std::string& ImagePath);
