// The main window: start-up, caption, controls.
#include "app/Globals.h"
#include "app/frmKorvalithWIN.h"
#include "drive/PhysicalDrive.h"
#include "image/ReadBack.h"
#include "ui/frmSplash.h"

#include "ScriptedMessages.h"
#include "SimulatedDrives.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class MainWindowTest : public QObject {
    Q_OBJECT
public:
    MainWindowTest()
    {
        // The settings folder is fixed at the first use of QSettings.
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(configDirs_.path()));
    }

private:
    QTemporaryDir configDirs_;

private slots:
    void startsInTheWelcomeState()
    {
        SimulatedDrives drives;
        frmKorvalithWIN window;
        QCOMPARE(window.windowTitle(), QString("/// Korvalith WIN - [WELCOME...]"));
        QCOMPARE(QString::fromStdString(sImageFile_g), QString());
        QCOMPARE(window.tbImage->text(), QString());
        QVERIFY(window.timCheckDrives->isActive());
        QCOMPARE(window.timCheckDrives->interval(), 1000);
    }

    void captionForEveryTitleState_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("caption");
        QTest::newRow("0") << 0 << "/// Korvalith WIN";
        QTest::newRow("1") << 1 << "/// Korvalith WIN - [WELCOME...]";
        QTest::newRow("2") << 2 << "/// Korvalith WIN - [new image]";
        QTest::newRow("3") << 3 << "/// Korvalith WIN - [image loaded]";
        QTest::newRow("4") << 4 << "/// Korvalith WIN - [image created]";
        QTest::newRow("5") << 5 << "/// Korvalith WIN - [image restored]";
        QTest::newRow("6") << 6 << "/// Korvalith WIN - [drive cloned]";
        QTest::newRow("7") << 7 << "/// Korvalith WIN";
        QTest::newRow("-1") << -1 << "/// Korvalith WIN";
    }
    void captionForEveryTitleState()
    {
        QFETCH(int, code);
        QFETCH(QString, caption);
        SimulatedDrives drives;
        frmKorvalithWIN window;
        window.SetTitleState(code);
        QCOMPARE(window.windowTitle(), caption);
    }

    void everyControlIsThereWithItsTexts()
    {
        SimulatedDrives drives;
        frmKorvalithWIN window;
        const QList<QPair<const char*, const char*>> tooltips = {
            {"cbPhysicalDrive", "Physical drive"},
            {"cmdEject", "Eject media in drive"},
            {"tbInformation", "Drive properties"},
            {"tbImage", "Image location/name"},
            {"cmdImage", "Open/Create an Korvalith WIN file"},
            {"tbCreatedWith", "Korvalith version used for the current image"},
            {"tbDriveImageSize", "Image status"},
            {"tbCreationDate", "Image creation date"},
            {"tbCreator", "Image creator"},
            {"tbDescription", "Image description"},
            {"cmdCreateImage", "Start image creation for the selected drive"},
            {"cmdRestoreImage", "Restore loaded image on the selected drive"},
            {"cmdCloneDrive", "Clone the selected drive"},
        };
        for (const auto& [name, tooltip] : tooltips) {
            auto* w = window.findChild<QWidget*>(name);
            QVERIFY2(w, name);
            QCOMPARE(w->toolTip(), QString(tooltip));
        }
        const QList<QPair<const char*, const char*>> captions = {
            {"lblDrive", "Drive"},           {"lblInformation", "Information"},
            {"lblImage", "Image"},           {"lblCreatedWith", "Created with"},
            {"lblDriveImageSize", "Drive image size"}, {"lblCreationDate", "Creation date"},
            {"lblCreatedBy", "Created by"},  {"lblDescription", "Description"},
            {"lblSlogan", "create + restore + clone"},
        };
        for (const auto& [name, caption] : captions) {
            auto* label = window.findChild<QLabel*>(name);
            QVERIFY2(label, name);
            QCOMPARE(label->text(), QString(caption));
        }
        QCOMPARE(window.cmdCreateImage->text(), QString("&Create image"));
        QCOMPARE(window.cmdRestoreImage->text(), QString("&Restore image"));
        QCOMPARE(window.cmdCloneDrive->text(), QString("&Clone drive"));
        for (const char* name : {"fmDevice", "fmImage", "picBar", "linBar"})
            QVERIFY2(window.findChild<QWidget*>(name), name);
        QVERIFY(window.tbInformation->isReadOnly());
        QVERIFY(window.tbImage->isReadOnly());
        QCOMPARE(window.tbCreator->maxLength(), 32);
        QCOMPARE(window.tbDriveImageSize->maxLength(), 16);
        QCOMPARE(window.tbCreationDate->maxLength(), 16);
        QCOMPARE(window.mnuOptions->title(), QString("&Options"));
        QCOMPARE(window.mnuAbout->text(), QString("&About Korvalith WIN"));
        QVERIFY(window.mnuSep0->isSeparator());
        QCOMPARE(window.mnuQuit->text(), QString("&Quit"));
        QVERIFY(window.acceptDrops());
        QVERIFY(window.picBar->acceptDrops());
    }

    void verifyAfterRestoreIsAMenuItemRememberedInTheSettings()
    {
        SimulatedDrives drives;
        {
            frmKorvalithWIN window;
            QCOMPARE(window.mnuVerifyAfterRestore->text(), QString("Verify after restore"));
            QVERIFY(window.mnuVerifyAfterRestore->isCheckable());
            QVERIFY(window.mnuVerifyAfterRestore->isChecked());
            QVERIFY(VerifyAfterRestore());
            window.mnuVerifyAfterRestore->trigger();
            QVERIFY(!VerifyAfterRestore());
        }
        frmKorvalithWIN again;
        QVERIFY(!again.mnuVerifyAfterRestore->isChecked());
        QVERIFY(!VerifyAfterRestore());
        again.mnuVerifyAfterRestore->trigger();
        QVERIFY(VerifyAfterRestore());
    }

    void aboutOpensFromTheMenuAndClosingTheWindowUnloadsIt()
    {
        SimulatedDrives drives;
        frmKorvalithWIN window;
        window.show();
        window.mnuAbout->trigger();
        QVERIFY(LoadedSplash());
        QVERIFY(LoadedSplash()->isVisible());
        window.close();
        QVERIFY(!LoadedSplash());
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
