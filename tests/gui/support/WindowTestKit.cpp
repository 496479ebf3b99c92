#include "WindowTestKit.h"

#include "app/frmKorvalithWIN.h"
#include "image/Commands.h"
#include "image/CreateImage.h"
#include "ui/frmStatus.h"

#include "ScriptedMessages.h"

#include <QApplication>
#include <QPushButton>
#include <fstream>

IsolatedDesktop::IsolatedDesktop()
{
    qputenv("XDG_DATA_HOME", (dir_.path() + "/data").toUtf8());
    qputenv("XDG_CONFIG_HOME", (dir_.path() + "/config").toUtf8());
    qputenv("TMPDIR", dir_.path().toUtf8());
}

int MakeImage(int n, const std::string& path, const std::string& creator, const std::string& description)
{
    ScriptedMessages yes;
    for (int i = 0; i < 4; ++i)
        yes.Answer(6);
    ImageHeader header = NewImageHeader(creator, description);
    return CreateImage("PHYSICALDRIVE" + std::to_string(n), path, header);
}

void WriteHeaderOnly(const std::string& path, const ImageHeader& header)
{
    const ImageHeaderBytes bytes = PackImageHeader(header);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

CancelWhenProgressShows::CancelWhenProgressShows()
{
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* status = qobject_cast<frmStatus*>(w);
            if (!status) {
                for (auto* child : w->findChildren<frmStatus*>())
                    status = child;
            }
            if (status && status->isVisible() && status->cbButton->isVisible()) {
                status->cbButton->click();
                timer_.stop();
                return;
            }
        }
    });
    timer_.start();
}

void BusyState::Take(const frmKorvalithWIN& window)
{
    windowEnabled = window.isEnabled();
    timerActive = window.timCheckDrives->isActive();
}
