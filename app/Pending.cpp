#include "app/frmKorvalithWIN.h"

ImageDialogHandler SetImageDialogHandler(ImageDialogHandler handler) { return handler; }
void frmKorvalithWIN::SetImageFile(const QString&) {}
void frmKorvalithWIN::ShowImageInformation() {}
void frmKorvalithWIN::cmdImage_Click() {}
void frmKorvalithWIN::cmdCreateImage_Click() {}
void frmKorvalithWIN::cmdRestoreImage_Click() {}
void frmKorvalithWIN::cmdCloneDrive_Click() {}
