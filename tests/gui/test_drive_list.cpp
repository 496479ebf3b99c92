// The drive selector, the information panel, the drive watch and eject.
#include "app/frmKorvalithWIN.h"
#include "drive/PhysicalDrive.h"

#include "ScriptedMessages.h"
#include "SimulatedDrives.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace {
const std::map<std::string, std::string> kFixed = {{"MediaType", "12"}};

QString Information(const frmKorvalithWIN& w)
{
    return w.tbInformation->toPlainText();
}

bool CommandsEnabled(const frmKorvalithWIN& w)
{
    const bool all = w.cmdEject->isEnabled() && w.cmdCreateImage->isEnabled() && w.cmdRestoreImage->isEnabled() &&
                     w.cmdCloneDrive->isEnabled();
    const bool none = !w.cmdEject->isEnabled() && !w.cmdCreateImage->isEnabled() &&
                      !w.cmdRestoreImage->isEnabled() && !w.cmdCloneDrive->isEnabled();
    if (!all && !none)
        qWarning("the four buttons disagree");
    return all;
}

QStringList Items(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}
}  // namespace

class DriveListTest : public QObject {
    Q_OBJECT
private slots:
    void startUpSelectsTheFirstCandidateAndFillsThePanel()
    {
        SimulatedDrives drives;
        drives.Add(0, 8LL << 30, kFixed);  // above the limit: no candidate
        drives.Add(2, 1 << 20);
        frmKorvalithWIN window;
        QCOMPARE(Items(window.cbPhysicalDrive), QStringList({"Physical Drive 0", "Physical Drive 2"}));
        QCOMPARE(window.cbPhysicalDrive->currentIndex(), 1);
        QCOMPARE(bySelectedDrive_g, 2);
        QVERIFY(Information(window).startsWith("Media type: REMOVABLE, "));
        QVERIFY(CommandsEnabled(window));
        QVERIFY(window.cbPhysicalDrive->itemData(1, Qt::ToolTipRole).toString().contains("PHYSICALDRIVE2.img"));
    }

    void aRealDriveIsNamedUnderItsInformation()
    {
        SimulatedDrives drives;
        drives.Add(0, 1 << 20);
        drives.LookReal();
        frmKorvalithWIN window;
        const QString disk = QString::fromStdString(drives.ImagePath(0)) + " \u2014 Simulated drive \u2014 1.00 MB";
        QCOMPARE(Information(window), "Media type: REMOVABLE, Cylinders: 2048, Tracks/Cylinder: 1, Sectors/Track: 1, "
                                      "Bytes/Sector: 512, Capacity: 1.00 MB\n" + disk);
        QCOMPARE(window.cbPhysicalDrive->itemData(0, Qt::ToolTipRole).toString(), disk);
    }

    void theWatchPicksUpANewHighestRemovableDrive()
    {
        SimulatedDrives drives;
        drives.Add(0, 1 << 20);
        drives.Add(1, 1 << 20);
        frmKorvalithWIN window;
        QCOMPARE(window.cbPhysicalDrive->currentIndex(), 0);

        window.timCheckDrives_Timer();  // nothing changed
        QCOMPARE(window.cbPhysicalDrive->currentIndex(), 0);

        drives.Add(3, 2 << 20);
        window.timCheckDrives_Timer();
        QCOMPARE(Items(window.cbPhysicalDrive).size(), 3);
        QCOMPARE(window.cbPhysicalDrive->currentText(), QString("Physical Drive 3"));
        QVERIFY(Information(window).endsWith("Capacity: 2.00 MB"));

        drives.Remove(3);
        window.timCheckDrives_Timer();
        QCOMPARE(window.cbPhysicalDrive->currentText(), QString("Physical Drive 1"));
    }

    void aSwapWithinOneTickIsNoticed()
    {
        SimulatedDrives drives;
        drives.Add(0, 1 << 20);
        frmKorvalithWIN window;
        drives.Remove(0);
        drives.Add(5, 1 << 20);
        window.timCheckDrives_Timer();
        QCOMPARE(Items(window.cbPhysicalDrive), QStringList({"Physical Drive 5"}));
        QCOMPARE(window.cbPhysicalDrive->currentText(), QString("Physical Drive 5"));
    }

    // The selection stays on its disk when others come and go, unless a new
    // card or stick arrives.
    void theSelectionFollowsItsDisk_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("selected");
        QTest::newRow("another drive removed") << 0 << "Physical Drive 0";
        QTest::newRow("an empty card reader added") << 1 << "Physical Drive 0";
        QTest::newRow("a fixed disk over the limit added") << 2 << "Physical Drive 0";
        QTest::newRow("a card connected") << 3 << "Physical Drive 3";
    }
    void theSelectionFollowsItsDisk()
    {
        QFETCH(int, change);
        QFETCH(QString, selected);
        SimulatedDrives drives;
        for (int n = 0; n < 3; ++n)
            drives.Add(n, (n + 1) << 20);
        frmKorvalithWIN window;
        QCOMPARE(window.cbPhysicalDrive->currentIndex(), 0);
        switch (change) {
        case 0: drives.Remove(2); break;
        case 1: drives.Add(3, 1 << 20, {{"NoMedium", "1"}}); break;
        case 2: drives.Add(3, 8LL << 30, kFixed); break;
        default: drives.Add(3, 4 << 20); break;
        }
        window.timCheckDrives_Timer();
        QCOMPARE(window.cbPhysicalDrive->currentText(), selected);
        QCOMPARE(QString::fromStdString(SelectedDriveEntry().DisplayName), selected);
    }

    void panelByMediaClass_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("no medium") << qint64(1 << 20) << "NoMedium=1" << "No drive information available." << false;
        QTest::newRow("fixed above the limit")
            << (4294967296LL + 512) << "MediaType=12"
            << "Media type: FIXED, Cylinders: 522, Tracks/Cylinder: 255, Sectors/Track: 63, Bytes/Sector: 512, "
               "Capacity: 4.00 GB"
            << false;
        QTest::newRow("fixed within the limit")
            << qint64(4294967296LL) << "MediaType=12"
            << "Media type: FIXED, Cylinders: 522, Tracks/Cylinder: 255, Sectors/Track: 63, Bytes/Sector: 512, "
               "Capacity: 4.00 GB"
            << true;
        QTest::newRow("unsupported")
            << qint64(524288) << "MediaType=0"
            << "Media type: UNSUPPORTED, Cylinders: 1024, Tracks/Cylinder: 1, Sectors/Track: 1, Bytes/Sector: 512, "
               "Capacity: 512.00 kB"
            << false;
        QTest::newRow("removable, one MiB")
            << qint64(1048576) << ""
            << "Media type: REMOVABLE, Cylinders: 2048, Tracks/Cylinder: 1, Sectors/Track: 1, Bytes/Sector: 512, "
               "Capacity: 1.00 MB"
            << true;
        QTest::newRow("one sector short of a GiB")
            << qint64(1073741312) << "" << "Capacity: 1024.00 MB" << true;
        QTest::newRow("one GiB") << qint64(1073741824) << "" << "Capacity: 1.00 GB" << true;
        QTest::newRow("the geometry Windows reports")
            << qint64(1998585856) << "Cylinders=243"
            << "Media type: REMOVABLE, Cylinders: 243, Tracks/Cylinder: 255, Sectors/Track: 63, Bytes/Sector: 512, "
               "Capacity: 1.86 GB"
            << true;
    }
    void panelByMediaClass()
    {
        QFETCH(qint64, size);
        QFETCH(QString, ini);
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        SimulatedDrives drives;
        std::map<std::string, std::string> settings;
        if (!ini.isEmpty())
            settings[ini.section('=', 0, 0).toStdString()] = ini.section('=', 1).toStdString();
        drives.Add(0, size, settings);
        frmKorvalithWIN window;
        QVERIFY2(Information(window).endsWith(text), qPrintable(Information(window)));
        QCOMPARE(CommandsEnabled(window), enabled);
    }

    void unsupportedWithinTheLimitIsACandidate()
    {
        SimulatedDrives drives;
        drives.Add(0, 8LL << 30, kFixed);
        drives.Add(1, 1 << 20, {{"MediaType", "0"}});
        frmKorvalithWIN window;
        QCOMPARE(window.cbPhysicalDrive->currentIndex(), 1);
        QVERIFY(Information(window).startsWith("Media type: UNSUPPORTED"));
        QVERIFY(!CommandsEnabled(window));
    }

    void noCandidateSelectsTheFirstPosition()
    {
        SimulatedDrives drives;
        drives.Add(0, 8LL << 30, kFixed);
        drives.Add(1, 8LL << 30, kFixed);
        frmKorvalithWIN window;
        QCOMPARE(window.cbPhysicalDrive->currentIndex(), 0);
        QVERIFY(!CommandsEnabled(window));
    }

    void ejectAnsweredNoLeavesTheDrive()
    {
        SimulatedDrives drives;
        drives.Add(0, 1 << 20);
        frmKorvalithWIN window;
        ScriptedMessages messages;
        messages.Answer(IDNO);
        window.cmdEject_Click();
        QCOMPARE(messages.Shown(), (std::vector<ShownMessage>{
                                       {"Eject media in 'Physical Drive 0'?", 292, "Korvalith WIN - [Eject media]"}}));
        QVERIFY(Information(window).startsWith("Media type: REMOVABLE"));
        DISK_GEOMETRY g;
        int64_t capacity = 0;
        QCOMPARE(GetDriveGeometry("PHYSICALDRIVE0", g, capacity), 1);
    }

    void ejectAnsweredYes()
    {
        SimulatedDrives drives;
        drives.Add(0, 1 << 20);
        drives.Add(1, 1 << 20, {{"EjectResult", "0"}});
        frmKorvalithWIN window;
        ScriptedMessages messages;

        window.cbPhysicalDrive->setCurrentIndex(1);
        window.cbPhysicalDrive_Click();
        messages.Answer(IDYES).Answer(IDOK);
        window.cmdEject_Click();
        QCOMPARE(messages.Shown().back(),
                 (ShownMessage{"Media in drive 'Physical Drive 1' could not be ejected.", 16,
                               "Korvalith WIN - [Eject media]"}));
        QVERIFY(Information(window).startsWith("Media type: REMOVABLE"));

        window.cbPhysicalDrive->setCurrentIndex(0);
        window.cbPhysicalDrive_Click();
        QString panelWhileTold;
        messages.Answer(IDYES).Answer(IDOK, [&] { panelWhileTold = Information(window); });
        window.cmdEject_Click();
        QCOMPARE(messages.Shown().back(), (ShownMessage{"Media in drive 'Physical Drive 0' ejected.", 64,
                                                        "Korvalith WIN - [Eject media]"}));
        QCOMPARE(panelWhileTold, QString("No drive information available."));
        QVERIFY(!CommandsEnabled(window));
        QCOMPARE(messages.Unanswered(), 0);
    }

    void enterInTheSelectorMovesToTheImageButton()
    {
        SimulatedDrives drives;
        drives.Add(0, 1 << 20);
        drives.Add(1, 1 << 20);
        frmKorvalithWIN window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.cbPhysicalDrive->setFocus();
        const int before = window.cbPhysicalDrive->currentIndex();
        QTest::keyClick(window.cbPhysicalDrive, Qt::Key_Return);
        QCOMPARE(window.cbPhysicalDrive->currentIndex(), before);
        QTRY_VERIFY(window.cmdImage->hasFocus());
    }
};

QTEST_MAIN(DriveListTest)
#include "test_drive_list.moc"
