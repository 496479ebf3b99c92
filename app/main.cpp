// Main: start-up of the window program.
#include "app/frmKorvalithWIN.h"
#include "platform/udisks/UdisksDriveAccess.h"
#include "settings/Settings.h"
#include "ui/MessageBox.h"
#include "ui/frmSplash.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Korvalith WIN");
    QApplication::setOrganizationName("Orvendal");
    InstallMessageBoxHandler();
    platform::InstallUdisksAccess();

    // Each step stands alone: a splash that fails does not keep the
    // settings from loading, nor those the window from opening.
    ShowSplash(true);
    LoadSettings();

    // The whole argument text is one image path, as a shell association
    // passes it; there are no options.
    const QString commandLine = QApplication::arguments().mid(1).join(' ');
    auto* window = new frmKorvalithWIN(commandLine);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return QApplication::exec();
}
