// The create and restore commands as the user starts them, apart from any
// window: the checks that come before the engine, the engine run, and the
// message that tells the outcome. The window and the command-line tool both
// run them.
#pragma once

#include "image/CreateImage.h"
#include "image/ImageHeader.h"
#include "image/ImagePath.h"

#include <cstdint>
#include <functional>
#include <string>

// Result of a command refused before the engine ran: no image file chosen,
// or, for a restore, not a valid image.
constexpr int32_t COMMAND_REFUSED = -100;

// Refuses, with a message, an image that may not be read for the drive:
// "Please open an image file first." (no path), why the path may not serve
// (image/ImagePath.h), or "Please open an valid image file first." (neither a
// .kvi nor a usable raw disk image, with what is wrong). Returns
// true when the image may be read.
bool AcceptImageToRead(const std::string& imagePath, const std::string& deviceName, const std::string& title);

// Returns a fresh, all-zero header holding the user's creator and
// description, each cut to its member's width; line breaks of the
// description are stored as CR LF.
ImageHeader NewImageHeader(const std::string& creator, const std::string& description);

// Returns "1 sector (512 bytes) could not be read and is stored as zeros.",
// or "" when every sector was read.
std::string UnreadableSectorsText(const UnreadableSectors& lost);

// Returns true when the drive may be imaged: none of its filesystems is
// mounted for writing, or the user said Yes to imaging it all the same
// (programs may change files while the image is made).
bool ConfirmImagingMountedDrive(const std::string& deviceName, const std::string& title);

// Refuses an image path that may not serve (image/ImagePath.h) with a
// message. Returns true when the path may be used.
bool AcceptImagePath(const std::string& imagePath, ImageUse use, const std::string& deviceName,
                     const std::string& title);

// Images the drive into imagePath. For results 1 and 0, `ended` runs first
// (the window shows its new state there), then "Image successfully
// created." or "Image created with error." (with a line saying how much
// could not be read, when sectors were stored as zeros). Returns CreateImage's result;
// COMMAND_REFUSED after "Please open or create an image file first." when
// imagePath is empty or after saying why the path may not be written; -1
// when the user declined to image a drive mounted for writing.
int32_t CreateImageCommand(const std::string& deviceName, const std::string& imagePath, ImageHeader& header,
                           const std::function<void()>& ended = {});

// Restores imagePath onto the drive after checking that it holds a valid
// image (a .kvi, or a raw disk image). For results 1, 0 and
// RESTORE_NOT_VERIFIED, `ended` runs, then "Image successfully restored." or
// "Image restored with error.". Returns RestoreImage's
// result, or COMMAND_REFUSED after "Please open an image file first." (no
// path), after saying why the path may not be read (a device, a file on
// the drive itself), or "Please open an valid image file first." (not a
// valid image; for a zip archive holding no disk image or several, a line
// saying so follows).
int32_t RestoreImageCommand(const std::string& deviceName, const std::string& imagePath,
                            const std::function<void()>& ended = {});
