// The *.kvi association in a user data and config folder of the test's own.
#include "settings/DesktopFiles.h"
#include "settings/FileAssociation.h"
#include "ui/ShowMessage.h"

#include "ScriptedMessages.h"

#include <QDirIterator>
#include <QImage>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

namespace {

const ProgramLocation kProgram{"/opt/Korvalith WIN", "KorvalithWin"};

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& content)
{
    QVERIFY(ReplaceFile(path, content));
}

}  // namespace

class TestAssociation : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home_;

    QString Data() const { return home_->path() + "/data"; }
    QString Config() const { return home_->path() + "/config"; }

    // Every file below the test's folders with its bytes.
    std::map<QString, QByteArray> Snapshot() const
    {
        std::map<QString, QByteArray> files;
        QDirIterator it(home_->path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files[path] = Read(path);
        }
        return files;
    }

    void Associate(const ProgramLocation& program)
    {
        ScriptedMessages messages;
        messages.Answer(IDYES);
        CheckFileAssociationFor(program);
        QVERIFY(IsFileAssociationPresent(program));
    }

private slots:
    void init()
    {
        home_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", QFile::encodeName(Data()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Config()));
    }

    void yesWritesTheAssociationAndTheNextCheckIsQuiet()
    {
        ScriptedMessages messages;
        messages.Answer(IDYES);

        CheckFileAssociationFor(kProgram);

        QCOMPARE(messages.Shown().size(), size_t(1));
        const ShownMessage& box = messages.Shown()[0];
        QCOMPARE(box.prompt, std::string("There is no default file association found for Korvalith(tm) WIN-files, \r\n"
                                         "or Korvalith(tm) WIN is moved to an other location.\r\n\r\n"
                                         "Do you want to associate Korvalith WIN-files with Korvalith WIN, "
                                         "Version 1.1 [Build 21112005]\r\n"
                                         "located at '/opt/Korvalith WIN'?"));
        QCOMPARE(box.buttons, 292);
        QCOMPARE(box.title, std::string("Korvalith WIN - [File association]"));

        QCOMPARE(Read(Data() + "/applications/KorvalithWin.desktop"),
                 QByteArray("[Desktop Entry]\nType=Application\nName=Korvalith WIN\n"
                            "Exec=\"/opt/Korvalith WIN/KorvalithWin\" %f\nIcon=KorvalithWin\n"
                            "MimeType=application/x-korvalith-image;\nTerminal=false\nCategories=System;Utility;\n"));
        const QByteArray package = Read(Data() + "/mime/packages/KorvalithWin.xml");
        QVERIFY(package.contains("<mime-type type=\"application/x-korvalith-image\">"));
        QVERIFY(package.contains("<comment>Korvalith(tm) WIN Image File</comment>"));
        QVERIFY(package.contains("<glob pattern=\"*.kvi\"/>"));
        QVERIFY(package.contains("<icon name=\"KorvalithWin\"/>"));
        QCOMPARE(Read(Config() + "/mimeapps.list"),
                 QByteArray("[Default Applications]\napplication/x-korvalith-image=KorvalithWin.desktop\n"));
        QCOMPARE(QImage(Data() + "/icons/hicolor/256x256/apps/KorvalithWin.png").size(), QSize(256, 256));

        // The package's content is not looked at, only that it is there.
        Write(Data() + "/mime/packages/KorvalithWin.xml", "<mime-info/>");
        const auto before = Snapshot();
        CheckFileAssociationFor(kProgram);
        QCOMPARE(messages.Shown().size(), size_t(1));
        QVERIFY(Snapshot() == before);
    }

    void differingAssociationAsksAndNoChangesNothing_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("executable");
        QTest::newRow("package missing") << "package" << kProgram.folder << kProgram.executable;
        QTest::newRow("desktop entry missing") << "entry" << kProgram.folder << kProgram.executable;
        QTest::newRow("command in other case") << "case" << kProgram.folder << kProgram.executable;
        QTest::newRow("program moved") << "" << "/home/ann/Korvalith WIN" << kProgram.executable;
        QTest::newRow("executable renamed") << "" << kProgram.folder << "KorvalithWin2";
    }

    void differingAssociationAsksAndNoChangesNothing()
    {
        QFETCH(QString, damage);
        QFETCH(QString, folder);
        QFETCH(QString, executable);
        Associate(kProgram);
        const QString entry = Data() + "/applications/KorvalithWin.desktop";
        if (damage == "package")
            QVERIFY(QFile::remove(Data() + "/mime/packages/KorvalithWin.xml"));
        if (damage == "entry")
            QVERIFY(QFile::remove(entry));
        if (damage == "case")
            Write(entry, Read(entry).replace("/opt/Korvalith WIN/", "/opt/korvalith win/"));
        const auto before = Snapshot();
        ScriptedMessages messages;
        messages.Answer(IDNO);

        CheckFileAssociationFor({folder, executable});
        CheckFileAssociationFor({folder, executable});

        QCOMPARE(messages.Shown().size(), size_t(2));
        QVERIFY(messages.Shown()[0].prompt.find("located at '" + folder.toStdString() + "'?") != std::string::npos);
        QVERIFY(Snapshot() == before);
    }

    void movedProgramIsAssociatedWithItsNewFolder()
    {
        Associate(kProgram);
        const ProgramLocation moved{"/home/ann/tools", "KorvalithWin"};

        Associate(moved);

        QString exec;
        QVERIFY(ReadDesktopExec(Data() + "/applications/KorvalithWin.desktop", exec));
        QCOMPARE(exec, QString("\"/home/ann/tools/KorvalithWin\" %f"));
        QVERIFY(!IsFileAssociationPresent(kProgram));
    }

    void renamedExecutableGetsItsOwnEntryAndTheOldOneStays()
    {
        Associate(kProgram);
        const QByteArray oldEntry = Read(Data() + "/applications/KorvalithWin.desktop");

        Associate({kProgram.folder, "KorvalithWin2"});

        QCOMPARE(Read(Data() + "/applications/KorvalithWin.desktop"), oldEntry);
        QVERIFY(QFile::exists(Data() + "/mime/packages/KorvalithWin2.xml"));
        QVERIFY(QFile::exists(Data() + "/icons/hicolor/256x256/apps/KorvalithWin2.png"));
        QCOMPARE(Read(Config() + "/mimeapps.list"),
                 QByteArray("[Default Applications]\napplication/x-korvalith-image=KorvalithWin2.desktop\n"));
    }

    void choicesForTheTypeAndOpenWithEntriesAreRemoved()
    {
        Write(Config() + "/mimeapps.list",
              "[Added Associations]\n"
              "application/x-korvalith-image=userapp-KorvalithWin-A1B2C3.desktop;\n"
              "text/plain=gedit.desktop;\n"
              "\n"
              "[Default Applications]\n"
              "text/plain=gedit.desktop\n"
              "application/x-korvalith-image=other.desktop\n"
              "\n"
              "[Removed Associations]\n"
              "application/x-korvalith-image = KorvalithWin.desktop;\n"
              "[Other Group]\n"
              "application/x-korvalith-image=kept\n");
        Write(Data() + "/applications/userapp-KorvalithWin-A1B2C3.desktop", "[Desktop Entry]\n");
        Write(Data() + "/applications/userapp-KorvalithWin2-XYZ.desktop", "[Desktop Entry]\n");
        Write(Data() + "/applications/userapp-Other-XYZ.desktop", "[Desktop Entry]\n");

        Associate(kProgram);

        QCOMPARE(Read(Config() + "/mimeapps.list"),
                 QByteArray("[Added Associations]\n"
                            "text/plain=gedit.desktop;\n"
                            "\n"
                            "[Default Applications]\n"
                            "application/x-korvalith-image=KorvalithWin.desktop\n"
                            "text/plain=gedit.desktop\n"
                            "\n"
                            "[Removed Associations]\n"
                            "[Other Group]\n"
                            "application/x-korvalith-image=kept\n"));
        QVERIFY(!QFile::exists(Data() + "/applications/userapp-KorvalithWin-A1B2C3.desktop"));
        QVERIFY(QFile::exists(Data() + "/applications/userapp-KorvalithWin2-XYZ.desktop"));
        QVERIFY(QFile::exists(Data() + "/applications/userapp-Other-XYZ.desktop"));
    }

    void eachWritingStepStandsAlone()
    {
        // No desktop entry can be written where a file blocks the folder.
        Write(Data() + "/applications", "not a folder");
        ScriptedMessages messages;
        messages.Answer(IDYES);

        CheckFileAssociationFor(kProgram);

        QVERIFY(QFile::exists(Data() + "/mime/packages/KorvalithWin.xml"));
        QVERIFY(QFile::exists(Data() + "/icons/hicolor/256x256/apps/KorvalithWin.png"));
        QVERIFY(Read(Config() + "/mimeapps.list").contains("=KorvalithWin.desktop"));
        QCOMPARE(Read(Data() + "/applications"), QByteArray("not a folder"));
        CheckFileAssociationFor(kProgram);
        QCOMPARE(messages.Shown().size(), size_t(2));
    }

    void openCommandQuotesTheProgramPath_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("command");
        QTest::newRow("plain") << "/usr/bin" << "\"/usr/bin/KorvalithWin\" %f";
        QTest::newRow("blanks") << "/opt/My Tools" << "\"/opt/My Tools/KorvalithWin\" %f";
        QTest::newRow("reserved characters") << "/a$b`c\"d\\e" << "\"/a\\\\$b\\\\`c\\\\\"d\\\\\\\\e/KorvalithWin\" %f";
        QTest::newRow("percent") << "/100%" << "\"/100%%/KorvalithWin\" %f";
    }

    void openCommandQuotesTheProgramPath()
    {
        QFETCH(QString, folder);
        QFETCH(QString, command);
        QCOMPARE(ExpectedOpenCommand({folder, "KorvalithWin"}), command);
    }

    void runningProgramIsTheOneAssociated()
    {
        ScriptedMessages messages;
        messages.Answer(IDYES);

        CheckFileAssociation();

        const QString folder = QCoreApplication::applicationDirPath();
        QVERIFY(messages.Shown().at(0).prompt.find("located at '" + folder.toStdString() + "'?") != std::string::npos);
        QString exec;
        QVERIFY(ReadDesktopExec(Data() + "/applications/test_association.desktop", exec));
        QCOMPARE(exec, "\"" + folder + "/test_association\" %f");
    }

    void kviFilesGetTheTypeOnceTheDatabaseIsUpdated()
    {
        if (QStandardPaths::findExecutable("update-mime-database").isEmpty())
            QSKIP("update-mime-database is not installed (package shared-mime-info)");
        Associate(kProgram);
        QCOMPARE(QMimeDatabase().mimeTypeForFile("card.kvi", QMimeDatabase::MatchExtension).name(),
                 QString("application/x-korvalith-image"));
    }
};

QTEST_MAIN(TestAssociation)
#include "test_association.moc"
