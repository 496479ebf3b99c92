// The program's pictures, drawn here rather than shipped as files.
#pragma once

#include <QPixmap>

// The program icon: a memory card with a disc-like arrow, square.
QPixmap ProgramIcon(int size);
// The eject symbol for cmdEject.
QPixmap EjectPicture(int size);
// An open-folder symbol for cmdImage.
QPixmap OpenPicture(int size);
// The decorative strip along the window's bottom.
QPixmap BarPicture(int width, int height);
