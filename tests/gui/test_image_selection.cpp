// Choosing the image file and the panel that shows its header; raw disk
// images in the panel, restored and created from the window.
#include "app/Globals.h"
#include "app/frmKorvalithWIN.h"
#include "image/ImageHeader.h"

#include "ScriptedMessages.h"
#include "ShellCommand.h"
#include "SimulatedDrives.h"
#include "WindowTestKit.h"

#include <QDate>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <fstream>

namespace {
const ShownMessage kUnrecognized{"Unrecognized image file opened.\r\n\r\nFile can be used for creating a new "
                                 "image.\r\nIt can't be used for restoring a drive.",
                                 48, "Korvalith WIN - [WARNING]"};

QStringList Panel(const frmKorvalithWIN& w)
{
    return {w.tbCreatedWith->text(), w.tbDriveImageSize->text(), w.tbCreationDate->text(), w.tbCreator->text(),
            w.tbDescription->toPlainText()};
}

QString Today()
{
    return QDate::currentDate().toString("dd.MM.yyyy");
}

constexpr int kOneMillion = 1000000;  // drive 1's size

bool HeaderTextsEnabled(const frmKorvalithWIN& w)
{
    return w.tbCreator->isEnabled() && w.tbDescription->isEnabled();
}

// Drags the data over the middle of `over` and drops it there, delivered as
// the window system does: to the widget under the point, or the nearest
// parent of it that takes drops. Returns whether the drop was taken.
bool DropOn(QWidget* over, const QMimeData& data)
{
    QWidget* window = over->window();
    const QPoint point = over->mapTo(window, over->rect().center());
    QWidget* target = window->childAt(point);
    while (target && !target->acceptDrops() && !target->isWindow())
        target = target->parentWidget();
    if (!target)
        target = window;
    const QPoint local = target->mapFrom(window, point);
    QDragEnterEvent enter(local, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    // A target that took the enter gets its moves taken already.
    QDragMoveEvent move(local, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    move.setDropAction(enter.dropAction());
    move.accept();
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(local), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QString BoxText(QWidget* box)
{
    if (auto* line = qobject_cast<QLineEdit*>(box))
        return line->text();
    if (auto* text = qobject_cast<QPlainTextEdit*>(box))
        return text->toPlainText();
    return {};
}

// Answers the open/create dialog with the given name for its lifetime.
struct DialogAnswer {
    explicit DialogAnswer(const QString& name)
    {
        SetImageDialogHandler([name](QWidget*) { return name; });
    }
    ~DialogAnswer() { SetImageDialogHandler({}); }
};
}  // namespace

class ImageSelectionTest : public QObject {
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
        drives_->AddWithBytes(1, PatternBytes(kOneMillion));
        window_ = std::make_unique<frmKorvalithWIN>();
    }
    void cleanup()
    {
        window_.reset();
        drives_.reset();
    }

    void aNewNameShowsWhatANewImageWouldCarry()
    {
        ScriptedMessages messages;
        DialogAnswer answer(QString::fromStdString(Path("new.kvi")));
        window_->cmdImage_Click();
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [new image]"));
        QCOMPARE(QString::fromStdString(sImageFile_g), QString::fromStdString(Path("new.kvi")));
        QCOMPARE(Panel(*window_),
                 QStringList({"Korvalith WIN, v1.1 [Build 21112005]", "n/a", Today(), "", ""}));
        QVERIFY(messages.Shown().empty());
    }

    void aCancelledDialogChangesNothing()
    {
        window_->SetImageFile(QString::fromStdString(Path("kept.kvi")));
        const QString title = window_->windowTitle();
        DialogAnswer answer("   ");
        window_->cmdImage_Click();
        QCOMPARE(QString::fromStdString(sImageFile_g), QString::fromStdString(Path("kept.kvi")));
        QCOMPARE(window_->windowTitle(), title);
    }

    void aValidImageAsksAboutTheAssociationThenShowsItsHeader()
    {
        QCOMPARE(MakeImage(1, Path("card.kvi"), "Jürgen", "first line\nsecond line"), 1);
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        ScriptedMessages messages;
        QStringList panelWhileAsked;
        messages.Answer(IDNO, [&] { panelWhileAsked = Panel(*window_); });
        window_->SetImageFile(QString::fromStdString(Path("card.kvi")));

        QCOMPARE(messages.Shown().size(), size_t(1));
        QCOMPARE(messages.Shown()[0].title, std::string("Korvalith WIN - [File association]"));
        QCOMPARE(panelWhileAsked, QStringList({"", "", "", "", ""}));  // filled only after the question
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [image loaded]"));
        QCOMPARE(Panel(*window_), QStringList({"Korvalith WIN, v1.1 [Build 21112005]", "976.56 kB", Today(),
                                               "Jürgen", "first line\nsecond line"}));
        QTRY_VERIFY(window_->tbCreator->hasFocus());
        QTRY_COMPARE(window_->tbCreator->selectedText(), QString("Jürgen"));
    }

    void filesThatAreNoImageGetTheWarning_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("a text file") << 0;
        QTest::newRow("an image of a newer version") << 1;
    }
    void filesThatAreNoImageGetTheWarning()
    {
        QFETCH(int, kind);
        const std::string path = Path("other.kvi");
        if (kind == 0) {
            std::ofstream(path) << std::string(500, 'x');
        } else {
            ImageHeader header;
            InitImageHeader(header);
            header.Flags = 1;
            header.Version = 0x0102;
            WriteHeaderOnly(path, header);
        }
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        ScriptedMessages messages;
        messages.Answer(IDOK);
        window_->SetImageFile(QString::fromStdString(path));
        QCOMPARE(messages.Shown(), std::vector<ShownMessage>({kUnrecognized}));
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [image loaded]"));
        QCOMPARE(Panel(*window_), QStringList({"", "", "", "", ""}));
        QTRY_VERIFY(window_->cmdImage->hasFocus());
    }

    void pathsAreTrimmedOfBlanksAndOnePairOfQuotes_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("kept");
        QTest::newRow("quoted, blanks around") << "  \"/tmp/a b.kvi\"  " << "/tmp/a b.kvi";
        QTest::newRow("one quotation mark") << "\"" << "\"";
        QTest::newRow("quote at one end only") << "\"/tmp/x.kvi" << "\"/tmp/x.kvi";
        QTest::newRow("two pairs") << "\"\"/tmp/x.kvi\"\"" << "\"/tmp/x.kvi\"";
    }
    void pathsAreTrimmedOfBlanksAndOnePairOfQuotes()
    {
        QFETCH(QString, given);
        QFETCH(QString, kept);
        window_->SetImageFile(given);
        QCOMPARE(QString::fromStdString(sImageFile_g), kept);
        QCOMPARE(window_->tbImage->text(), kept);
        QCOMPARE(window_->tbImage->cursorPosition(), kept.size());
    }

    void onlyTheFirstDroppedFileCounts()
    {
        ScriptedMessages messages;
        window_->Form_OLEDragDrop({QString::fromStdString(Path("one.kvi")), QString::fromStdString(Path("two.kvi")),
                                   QString::fromStdString(Path("three.kvi"))});
        QCOMPARE(QString::fromStdString(sImageFile_g), QString::fromStdString(Path("one.kvi")));
    }

    void aFileDroppedAnywhereChoosesIt_data()
    {
        QTest::addColumn<QString>("over");
        for (const char* name : {"picBar", "tbCreator", "tbDescription", "tbImage", "tbInformation", "lblCreatedBy",
                                 "cmdCreateImage", "fmImage"})
            QTest::newRow(name) << name;
    }
    void aFileDroppedAnywhereChoosesIt()
    {
        QFETCH(QString, over);
        const QString card = QString::fromStdString(Path("card.kvi"));
        QCOMPARE(MakeImage(1, card.toStdString(), "Ann", "from the\nblue camera"), 1);
        ScriptedMessages messages;
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));

        // A file manager sends the files' names as text too.
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(card), QUrl::fromLocalFile(QString::fromStdString(Path("ignored.kvi")))});
        data.setText(QUrl::fromLocalFile(card).toString());
        QVERIFY(DropOn(window_->findChild<QWidget*>(over), data));
        QCOMPARE(QString::fromStdString(sImageFile_g), card);
        // The boxes show the header's texts, nothing of the drop.
        QCOMPARE(window_->tbCreator->text(), QString("Ann"));
        QCOMPARE(window_->tbDescription->toPlainText(), QString("from the\nblue camera"));
    }

    void droppedTextGoesOnlyIntoTheEditableBoxes_data()
    {
        QTest::addColumn<QString>("over");
        QTest::addColumn<bool>("taken");
        QTest::newRow("tbCreator") << "tbCreator" << true;
        QTest::newRow("tbDescription") << "tbDescription" << true;
        QTest::newRow("tbImage, read-only") << "tbImage" << false;
        QTest::newRow("tbInformation, read-only") << "tbInformation" << false;
        QTest::newRow("picBar") << "picBar" << false;
        QTest::newRow("a label") << "lblDescription" << false;
    }
    void droppedTextGoesOnlyIntoTheEditableBoxes()
    {
        QFETCH(QString, over);
        QFETCH(bool, taken);
        window_->SetImageFile(QString::fromStdString(Path("kept.kvi")));
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QWidget* widget = window_->findChild<QWidget*>(over);
        const QString before = BoxText(widget);

        QMimeData text;
        text.setText("dropped words");
        QCOMPARE(DropOn(widget, text), taken);
        QCOMPARE(BoxText(widget).contains("dropped words"), taken);
        if (!taken)
            QCOMPARE(BoxText(widget), before);
        QCOMPARE(QString::fromStdString(sImageFile_g), QString::fromStdString(Path("kept.kvi")));
    }

    void enterKeys()
    {
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        window_->tbCreator->setFocus();
        window_->tbCreator->setText("ab");
        QTest::keyClick(window_->tbCreator, Qt::Key_Return);
        QCOMPARE(window_->tbCreator->text(), QString("ab"));
        QTRY_VERIFY(window_->tbDescription->hasFocus());

        QTest::keyClick(window_->tbDescription, Qt::Key_A);
        QTest::keyClick(window_->tbDescription, Qt::Key_Return);
        QTest::keyClick(window_->tbDescription, Qt::Key_B);
        QVERIFY(window_->tbDescription->toPlainText().endsWith("a\nb"));

        DialogAnswer answer(QString::fromStdString(Path("by-enter.kvi")));
        window_->tbImage->setFocus();
        QTest::keyClick(window_->tbImage, Qt::Key_Return);
        QCOMPARE(QString::fromStdString(sImageFile_g), QString::fromStdString(Path("by-enter.kvi")));
    }

    void aFocusedBoxSelectsItsWholeText()
    {
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        window_->tbCreatedWith->setText("some text");
        window_->tbCreatedWith->setFocus();
        QTRY_COMPARE(window_->tbCreatedWith->selectedText(), QString("some text"));
        window_->tbInformation->setFocus();
        QTRY_COMPARE(window_->tbInformation->textCursor().selectedText(), window_->tbInformation->toPlainText());
    }

    void startingWithAnInvalidFileWarnsBeforeTheWindowShows()
    {
        const std::string path = Path("notes.txt");
        std::ofstream(path) << std::string(400, 'n');
        window_.reset();
        ScriptedMessages messages;
        bool visibleWhileWarned = true;
        messages.Answer(IDOK, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<frmKorvalithWIN*>(w))
                    visibleWhileWarned = w->isVisible();
        });
        window_ = std::make_unique<frmKorvalithWIN>(" \"" + QString::fromStdString(path) + "\" ");
        QCOMPARE(messages.Shown(), std::vector<ShownMessage>({kUnrecognized}));
        QVERIFY(!visibleWhileWarned);
        QCOMPARE(QString::fromStdString(sImageFile_g), QString::fromStdString(path));
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [image loaded]"));
    }

    void anXzImageShowsLoadedAndRestores()
    {
        const std::string plain = Path("card.img");
        WriteFileBytes(plain, PatternBytes(kOneMillion, 8));
        QVERIFY(RunCommand("xz -q '" + plain + "'").ok);
        const std::string xz = plain + ".xz";
        const QString modified = QFileInfo(QString::fromStdString(xz)).lastModified().toString("dd.MM.yyyy");
        ScriptedMessages messages;
        window_->SetImageFile(QString::fromStdString(xz));
        QVERIFY(messages.Shown().empty());  // neither a warning nor the association question
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [image loaded]"));
        QCOMPARE(Panel(*window_), QStringList({"Raw disk image, xz compressed", "976.56 kB", modified, "", ""}));
        QVERIFY(!HeaderTextsEnabled(*window_));

        messages.Answer(IDYES).Answer(IDOK);
        window_->cmdRestoreImage_Click();
        QCOMPARE(messages.Shown().size(), size_t(2));
        QVERIFY(messages.Shown()[0].prompt.find("The image fills 976.6 kB of the drive's 976.6 kB.") != std::string::npos);
        QCOMPARE(messages.Shown()[1].prompt, std::string("Image successfully restored."));
        QCOMPARE(window_->windowTitle(), QString("/// Korvalith WIN - [image restored]"));
        QCOMPARE(drives_->Bytes(1), PatternBytes(kOneMillion, 8));
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
        QCOMPARE(Panel(*window_), QStringList({"Raw disk image, zstd compressed", "976.56 kB", Today(), "", ""}));

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

QTEST_MAIN(ImageSelectionTest)
#include "test_image_selection.moc"
