// The program's embedded pictures (icon, splash backgrounds, pointers).
#pragma once

#include <QString>

// Returns the resource path of a picture, e.g. ArtworkPath("splash/hidden.png")
// gives ":/splash/hidden.png"; makes sure the pictures are registered first.
QString ArtworkPath(const QString& name);
