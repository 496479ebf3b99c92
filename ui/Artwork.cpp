#include "ui/Artwork.h"

// The pictures live in a static library, whose resource initialiser the
// linker drops unless something calls it.
static void RegisterArtwork()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(korvalith);
        return true;
    }();
    (void)registered;
}

QString ArtworkPath(const QString& name)
{
    RegisterArtwork();
    return QStringLiteral(":/") + name;
}
