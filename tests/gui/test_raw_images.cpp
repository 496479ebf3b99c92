// The window with raw disk images: the panel of a loaded one, the greyed
// header texts, a restore from one, and a creation into one.
#include "app/Globals.h"
#include "app/frmKorvalithWIN.h"

#include "ScriptedMessages.h"
#include "ShellCommand.h"
#include "SimulatedDrives.h"
#include "WindowTestKit.h"

#include <QDate>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>
#include <filesystem>

namespace {
constexpr int kCardSize = 3 * 524288 + 4096;

QStringList Panel(const frmKorvalithWIN& w)
{
    return {w.tbCreatedWith->text(), w.tbDriveImageSize->text(), w.tbCreationDate->text(), w.tbCreator->text(),
            w.tbDescription->toPlainText()};
}

QString Today()
{
    return QDate::currentDate().toString("dd.MM.yyyy");
}

bool HeaderTextsEnabled(const frmKorvalithWIN& w)
{
    return w.tbCreator->isEnabled() && w.tbDescription->isEnabled();
}
}  // namespace

class RawImagesTest : public QObject {
    Q_OBJECT
private:
    IsolatedDesktop desktop_;
    std::unique_ptr<SimulatedDrives> drives_;
    std::unique_ptr<frmKorvalithWIN> window_;

    std::string Path(const char* name) const { return drives_->FilePath(name); }

private slots:
    void init()
    {
        drives_ = std::make_unique<SimulatedDrives>();
        drives_->AddWithBytes(1, PatternBytes(kCardSize, 7));
        window_ = std::make_unique<frmKorvalithWIN>();
    }
    void cleanup()
    {
        window_.reset();
        drives_.reset();
    }

    void anXzImageShowsLoadedAndRestores()
    {
        const std::string plain = Path("card.img");
        WriteFileBytes(plain, PatternBytes(kCardSize, 8));
        QVERIFY(RunCommand("xz -q '" + plain + "'").ok);
        const std::string xz = plain + ".xz";
        const QString modified = QFileInfo(QString::fromStdString(xz)).lastModified().toString("dd.MM.yyyy");
        ScriptedMessages messages;
        window_->SetImageFile(QString::fromStdString(xz));
        QVERIFY(messages.Shown().empty());  // neither a warning nor the association question
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [image loaded]"));
        QCOMPARE(Panel(*window_), QStringList({"Raw disk image, xz compressed", "1.50 MB", modified, "", ""}));
        QVERIFY(!HeaderTextsEnabled(*window_));

        messages.Answer(IDYES).Answer(IDOK);
        window_->cmdRestoreImage_Click();
        QCOMPARE(messages.Shown().size(), size_t(2));
        QVERIFY(messages.Shown()[0].prompt.find("The image fills 1.5 MB of the drive's 1.5 MB.") != std::string::npos);
        QCOMPARE(messages.Shown()[1].prompt, std::string("Image successfully restored."));
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [image restored]"));
        QCOMPARE(drives_->Bytes(1), PatternBytes(kCardSize, 8));
    }

    void createToAZstdNameWritesZstd()
    {
        const std::string zst = Path("card.img.zst");
        ScriptedMessages messages;
        window_->SetImageFile(QString::fromStdString(zst));
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [new image]"));
        QCOMPARE(Panel(*window_), QStringList({"Raw disk image, zstd compressed", "n/a", Today(), "", ""}));
        QVERIFY(!HeaderTextsEnabled(*window_));

        messages.Answer(IDOK);
        window_->cmdCreateImage_Click();
        QCOMPARE(messages.Shown()[0].prompt, std::string("Image successfully created."));
        QVERIFY(RunCommand("zstd -dcq '" + zst + "' | cmp -s - '" + drives_->ImagePath(1) + "'").ok);
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [image created]"));
        QCOMPARE(Panel(*window_), QStringList({"Raw disk image, zstd compressed", "1.50 MB", Today(), "", ""}));

        window_->SetImageFile(QString::fromStdString(Path("card.kvi")));
        QVERIFY(HeaderTextsEnabled(*window_));
    }

    void aZipHoldingTwoImagesIsRefusedSayingWhy()
    {
        const std::string folder = Path("two");
        std::filesystem::create_directory(folder);
        WriteFileBytes(folder + "/a.img", PatternBytes(1000));
        WriteFileBytes(folder + "/b.img", PatternBytes(1000));
        QVERIFY(RunCommand("cd '" + folder + "' && zip -q ../two.zip a.img b.img").ok);
        ScriptedMessages messages;
        messages.Answer(IDOK);
        window_->SetImageFile(QString::fromStdString(Path("two.zip")));
        QCOMPARE(messages.Shown().size(), size_t(1));
        QCOMPARE(messages.Shown()[0].title, std::string("Korvalith WIN - [WARNING]"));
        QVERIFY(messages.Shown()[0].prompt.find("It can't be used for restoring a drive.\r\n\r\n'" + Path("two.zip") +
                                                "' holds more than one disk image: a.img, b.img.") != std::string::npos);
        QCOMPARE(Panel(*window_), QStringList({"", "", "", "", ""}));
    }
};

QTEST_MAIN(RawImagesTest)
#include "test_raw_images.moc"
