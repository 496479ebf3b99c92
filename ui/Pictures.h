// The main window's small pictures, drawn here; the program icon comes from
// the embedded artwork.
#pragma once

#include <QPixmap>

// The program icon, scaled to a square of `size` pixels.
QPixmap ProgramIcon(int size);
// The eject symbol for cmdEject.
QPixmap EjectPicture(int size);
// An open-folder symbol for cmdImage.
QPixmap OpenPicture(int size);
// The decorative strip with the program's icon and title, drawn for a
// screen of the given device pixel ratio.
QPixmap BarPicture(int width, int height, qreal ratio = 1);
// The smallest strip that shows its icon and title whole.
QSize BarPictureMinimumSize();
