// A folder for the clone's temporary image that no other user can reach.
//
// The program runs with root rights and the temporary image has a fixed
// name, so a shared folder such as /tmp would let another user plant a
// symbolic link there. The folder is <base>/korvalith-<uid>, with <base>
// $TMPDIR when that names a folder, else /var/tmp (on disk: /tmp is often
// in memory and too small for a card's image).
#pragma once

#include <string>

// Returns the folder's path with a trailing "/", creating it with mode 0700
// when missing; "" when it cannot be created or is not a real folder (not a
// link) owned by this user with no access for anyone else, with `why` (when
// given) saying which folder and what is wrong with it.
std::string PrivateTempFolder(std::string* why = nullptr);
