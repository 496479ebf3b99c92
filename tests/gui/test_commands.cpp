// The create, restore and clone buttons, end to end on simulated drives.
#include "app/Globals.h"
#include "app/frmKorvalithWIN.h"
#include "image/FixedText.h"
#include "image/ImageFile.h"
#include "platform/PrivateTempFolder.h"
#include "ui/frmStatus.h"

#include "ScriptedMessages.h"
#include "SimulatedDrives.h"
#include "WindowTestKit.h"

#include <QDate>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* kCreate = "Korvalith WIN - [Create image]";
const char* kRestore = "Korvalith WIN - [Restore image]";
const char* kClone = "Korvalith WIN - [Clone drive]";
const std::string kRestoreWarning =
    "*** WARNING *** WARNING *** WARNING ***\r\n\r\nYou are about to restore an image.\r\n\r\nTHIS WILL DESTROY "
    "ALL DATA ON THE SELECTED DRIVE!\r\n\r\nDo you really want to continue?";
const std::string kMismatch =
    "The selected image file does not match to the destination drive.\r\nIf you continue, the drive may report "
    "wrong size or even may be unreadable!\r\n\r\nDo you really want to continue?";
const std::string kSwap =
    "A temporary image is successfully created.\r\n\r\nPlease eject media in drive 'Physical Drive 1'\r\nand insert "
    "a new media then press <OK> to continue.";
constexpr int kCardSize = 3 * 524288 + 4096;

std::string Prompt(const ShownMessage& m)
{
    return m.prompt;
}
}  // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private:
    IsolatedDesktop desktop_;
    std::unique_ptr<SimulatedDrives> drives_;
    std::unique_ptr<frmKorvalithWIN> window_;
    std::vector<BusyState> busy_;

    std::string Path(const char* name) const { return drives_->FilePath(name); }
    std::string TempImage() const { return PrivateTempFolder() + "~Korvalith WIN~.tmp"; }
    // An answer that also notes how the window stands while the box is open.
    std::function<void()> NoteBusy()
    {
        return [this] {
            busy_.emplace_back();
            busy_.back().Take(*window_);
        };
    }
    void ExpectBusyThroughoutAndFreeAfter()
    {
        QVERIFY(!busy_.empty());
        for (const BusyState& b : busy_) {
            QVERIFY(!b.windowEnabled);
            QVERIFY(!b.timerActive);
        }
        QVERIFY(window_->isEnabled());
        QVERIFY(window_->timCheckDrives->isActive());
    }

private slots:
    void init()
    {
        drives_ = std::make_unique<SimulatedDrives>();
        drives_->AddWithBytes(1, PatternBytes(kCardSize, 7));
        window_ = std::make_unique<frmKorvalithWIN>();
        busy_.clear();
    }
    void cleanup()
    {
        window_.reset();
        drives_.reset();
    }

    void createWithoutAFile()
    {
        ScriptedMessages messages;
        messages.Answer(IDOK, NoteBusy());
        window_->cmdCreateImage_Click();
        QCOMPARE(messages.Shown(), std::vector<ShownMessage>({{"Please open or create an image file first.", 64, kCreate}}));
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN"));
        ExpectBusyThroughoutAndFreeAfter();
    }

    void aDriveThatIsNoLongerTheOneShownIsNotTouched()
    {
        window_->SetImageFile(QString::fromStdString(Path("card.kvi")));
        drives_->Add(1, 2 * kCardSize);  // another medium behind the same number
        ScriptedMessages messages;
        window_->cmdCreateImage_Click();
        QVERIFY(messages.Shown().empty());
        QVERIFY(!std::filesystem::exists(Path("card.kvi")));
        QVERIFY(window_->tbInformation->toPlainText().endsWith("Capacity: 3.01 MB"));
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [new image]"));

        messages.Answer(IDOK);  // the panel now shows this drive: the command runs
        window_->cmdCreateImage_Click();
        QCOMPARE(messages.Shown(), std::vector<ShownMessage>({{"Image successfully created.", 64, kCreate}}));
    }

    void createDeclinedAtOverwrite()
    {
        const std::string path = Path("old.kvi");
        WriteFileBytes(path, {1, 2, 3});
        window_->SetImageFile(QString::fromStdString(path));
        ScriptedMessages messages;
        messages.Answer(IDNO, NoteBusy());
        window_->cmdCreateImage_Click();
        QCOMPARE(messages.Shown().size(), size_t(1));
        QCOMPARE(messages.Shown()[0].buttons, 308);
        QCOMPARE(ReadFileBytes(path), std::vector<uint8_t>({1, 2, 3}));
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN"));
        ExpectBusyThroughoutAndFreeAfter();
    }

    // Closing the window during a run, or Escape on its progress dialog,
    // asks the run's abort question; the window goes only once the run has
    // stopped and cleaned up, and only when it was closed.
    void interruptingARun_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::addColumn<int>("abort");
        QTest::newRow("window closed, abort confirmed") << false << IDYES;
        QTest::newRow("window closed, abort declined") << false << IDNO;
        QTest::newRow("Escape on the dialog, abort confirmed") << true << IDYES;
    }
    void interruptingARun()
    {
        QFETCH(bool, escape);
        QFETCH(int, abort);
        const std::string path = Path("card.kvi");
        window_->SetImageFile(QString::fromStdString(path));
        window_->show();
        ScriptedMessages messages;
        messages.Answer(abort).Answer(IDOK);  // the abort question; the outcome
        QTimer::singleShot(0, window_.get(), [this, escape] {
            if (escape)
                QTest::keyClick(window_->findChild<frmStatus*>(), Qt::Key_Escape);
            else
                QVERIFY(!window_->close());
        });
        window_->cmdCreateImage_Click();
        QCOMPARE(messages.Shown()[0], (ShownMessage{"Abort image creation?", 292, kCreate}));
        const bool aborted = abort == IDYES;
        QCOMPARE(messages.Shown()[1].prompt, aborted ? std::string("Image created with error.")
                                                      : std::string("Image successfully created."));
        QCOMPARE(std::filesystem::exists(path), !aborted);
        QTRY_COMPARE(window_->isVisible(), escape || !aborted);
    }

    void createWithCreatorAndTwoLineDescription()
    {
        const std::string path = Path("card.kvi");
        window_->SetImageFile(QString::fromStdString(path));
        window_->tbCreator->setText("Ann");
        window_->tbDescription->setPlainText("line one\nline two");
        ScriptedMessages messages;
        messages.Answer(IDOK, NoteBusy());
        window_->cmdCreateImage_Click();
        QCOMPARE(messages.Shown()[0], (ShownMessage{"Image successfully created.", 64, kCreate}));
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [image created]"));

        ImageHeader header;
        QCOMPARE(ReadImageHeader(path, header), -1);
        QCOMPARE(header.Creator, FixedText("Ann", 32));
        QCOMPARE(header.Description, FixedText("line one\r\nline two", 256));
        QCOMPARE(header.DriveSize, int64_t(kCardSize));
        QCOMPARE(window_->tbCreator->text(), QString("Ann"));
        QCOMPARE(window_->tbDescription->toPlainText(), QString("line one\nline two"));
        QCOMPARE(window_->tbDriveImageSize->text(), QString("1.50 MB"));
        ExpectBusyThroughoutAndFreeAfter();
    }

    void createCancelledDuringTheRun()
    {
        const std::string path = Path("cancelled.kvi");
        window_->SetImageFile(QString::fromStdString(path));
        ScriptedMessages messages;
        messages.Answer(IDYES, NoteBusy()).Answer(IDOK);
        CancelWhenProgressShows cancel;
        window_->cmdCreateImage_Click();
        QCOMPARE(messages.Shown(), std::vector<ShownMessage>({{"Abort image creation?", 292, kCreate},
                                                              {"Image created with error.", 48, kCreate}}));
        QVERIFY(!std::filesystem::exists(path));
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [image created]"));
        QCOMPARE(window_->tbDriveImageSize->text(), QString("n/a"));  // a new image's values again
        QCOMPARE(window_->tbCreationDate->text(), QDate::currentDate().toString("dd.MM.yyyy"));
        ExpectBusyThroughoutAndFreeAfter();
    }

    void restoreRefusedBeforeTheEngine_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("no file") << 0 << "Please open an image file first.";
        QTest::newRow("missing file") << 1 << "Please open an valid image file first.";
        QTest::newRow("not an image") << 2 << "Please open an valid image file first.";
    }
    void restoreRefusedBeforeTheEngine()
    {
        QFETCH(int, kind);
        QFETCH(QString, message);
        if (kind > 0) {
            const std::string path = Path("x.kvi");
            if (kind == 2)
                WriteFileBytes(path, std::vector<uint8_t>(1000, 'x'));
            ScriptedMessages quiet;
            quiet.Answer(IDOK);
            window_->SetImageFile(QString::fromStdString(path));
        }
        ScriptedMessages messages;
        messages.Answer(IDOK, NoteBusy());
        window_->cmdRestoreImage_Click();
        QCOMPARE(messages.Shown(), std::vector<ShownMessage>({{message.toStdString(), 64, kRestore}}));
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN"));
        ExpectBusyThroughoutAndFreeAfter();
    }

    void restoreOutcomes_data()
    {
        QTest::addColumn<QString>("ini");  // of the drive restored onto: "key=value" or ""
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("last");
        QTest::addColumn<int>("icon");
        QTest::addColumn<bool>("written");  // the drive holds the image
        QTest::newRow("declined at the warning") << "" << QList<int>{IDNO} << "/// Korvalith WIN" << "" << 0 << false;
        QTest::newRow("declined at the mismatch")
            << "SectorsPerTrack=32" << QList<int>{IDYES, IDNO, IDOK} << "/// Korvalith WIN - [image restored]"
            << "Image restored with error." << 48 << false;
        QTest::newRow("completing") << "" << QList<int>{IDYES, IDOK} << "/// Korvalith WIN - [image restored]"
                                    << "Image successfully restored." << 64 << true;
        // A write error let pass leaves the drive short of the image.
        QTest::newRow("a write error ignored")
            << "FailWriteAt=600000" << QList<int>{IDYES, IDYES, IDOK} << "/// Korvalith WIN - [image restored]"
            << "Image restored with error." << 48 << false;
    }
    void restoreOutcomes()
    {
        QFETCH(QString, ini);
        QFETCH(QList<int>, answers);
        QFETCH(QString, title);
        QFETCH(QString, last);
        QFETCH(int, icon);
        QFETCH(bool, written);
        const std::string path = Path("card.kvi");
        QCOMPARE(MakeImage(1, path), 1);
        const std::vector<uint8_t> original = drives_->Bytes(1);
        std::map<std::string, std::string> settings;
        if (!ini.isEmpty())
            settings[ini.section('=', 0, 0).toStdString()] = ini.section('=', 1).toStdString();
        drives_->Add(1, kCardSize, settings);
        {
            ScriptedMessages association;
            association.Answer(IDNO);
            window_->SetImageFile(QString::fromStdString(path));
        }
        ScriptedMessages messages;
        for (int a : answers)
            messages.Answer(a, NoteBusy());
        window_->cmdRestoreImage_Click();
        QCOMPARE(messages.Shown()[0].prompt, kRestoreWarning);
        if (settings.count("SectorsPerTrack"))
            QCOMPARE(messages.Shown()[1].prompt, kMismatch);
        QCOMPARE(messages.Shown().size(), size_t(answers.size()));
        if (!last.isEmpty())
            QCOMPARE(messages.Shown().back(), (ShownMessage{last.toStdString(), icon, kRestore}));
        QCOMPARE(window_->windowTitle(), title);
        QCOMPARE(drives_->Bytes(1) == original, written);
        ExpectBusyThroughoutAndFreeAfter();
    }

    void cloneCancelledAtTheSwap()
    {
        ScriptedMessages messages;
        messages.Answer(IDCANCEL, NoteBusy()).Answer(IDOK);
        window_->cmdCloneDrive_Click();
        QCOMPARE(messages.Shown(), std::vector<ShownMessage>({{kSwap, 65, kClone},
                                                              {"Drive could not be cloned.", 16, kClone}}));
        QVERIFY(!std::filesystem::exists(TempImage()));
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN"));
        ExpectBusyThroughoutAndFreeAfter();
    }

    void cloneCompletes()
    {
        const std::vector<uint8_t> original = drives_->Bytes(1);
        ScriptedMessages messages;
        // While the swap prompt is open, the user puts a blank medium in.
        messages.Answer(IDOK, [this] {
            NoteBusy()();
            QVERIFY(std::filesystem::exists(TempImage()));
            drives_->Add(1, kCardSize);
        });
        messages.Answer(IDYES).Answer(IDOK);
        window_->cmdCloneDrive_Click();
        QCOMPARE(std::vector<std::string>({Prompt(messages.Shown()[0]), Prompt(messages.Shown()[1]),
                                           Prompt(messages.Shown()[2])}),
                 std::vector<std::string>({kSwap, kRestoreWarning, "Drive successfully cloned."}));
        QCOMPARE(drives_->Bytes(1), original);
        QVERIFY(!std::filesystem::exists(TempImage()));
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [drive cloned]"));
        QCOMPARE(QString::fromStdString(sImageFile_g), QString());
        ExpectBusyThroughoutAndFreeAfter();
    }

    void cloneMeetsALeftoverAndDeclinesToOverwrite()
    {
        const std::string leftover = TempImage();
        WriteFileBytes(leftover, {9, 9, 9});
        ScriptedMessages messages;
        messages.Answer(IDNO, NoteBusy()).Answer(IDOK);
        window_->cmdCloneDrive_Click();
        QCOMPARE(messages.Shown()[0].prompt, "File '" + leftover + "' already exists.\r\n\r\nDo you want to overwrite it?");
        QCOMPARE(messages.Shown()[1], (ShownMessage{"Drive could not be cloned.", 16, kClone}));
        QVERIFY(!std::filesystem::exists(leftover));
        ExpectBusyThroughoutAndFreeAfter();
    }

    void theTemporaryFolderIsPrivateAndLinksAreNotFollowed()
    {
        const std::string folder = PrivateTempFolder();
        QVERIFY(!folder.empty());
        QCOMPARE(folder, desktop_.Path().toStdString() + "/korvalith-" + std::to_string(::geteuid()) + "/");
        struct stat st {};
        QCOMPARE(::lstat(folder.c_str(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);

        const std::string target = Path("precious.bin");
        WriteFileBytes(target, {4, 5, 6});
        QCOMPARE(::symlink(target.c_str(), TempImage().c_str()), 0);
        ScriptedMessages messages;
        messages.Answer(IDCANCEL).Answer(IDOK);
        window_->cmdCloneDrive_Click();
        QCOMPARE(messages.Shown()[0].prompt, kSwap);  // no question about an existing file
        QCOMPARE(ReadFileBytes(target), std::vector<uint8_t>({4, 5, 6}));
        QVERIFY(!std::filesystem::exists(std::filesystem::symlink_status(TempImage())));

        // A folder others can enter is refused, and so is the clone.
        QCOMPARE(::chmod(folder.c_str(), 0755), 0);
        QCOMPARE(PrivateTempFolder(), std::string());
        ScriptedMessages refused;
        refused.Answer(IDOK);
        window_->cmdCloneDrive_Click();
        QCOMPARE(refused.Shown(),
                 std::vector<ShownMessage>({{"Drive could not be cloned.\r\n\r\nThe folder for the temporary image is "
                                             "not safe: " + folder.substr(0, folder.size() - 1) +
                                                 " can be entered by others (mode 0755); it must be 0700. Remove it, "
                                                 "or set TMPDIR to a folder of your own.",
                                             16, kClone}}));
        ::chmod(folder.c_str(), 0700);
    }
};

QTEST_MAIN(CommandsTest)
#include "test_commands.moc"
