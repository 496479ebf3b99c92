// Message boxes and the progress dialog.
#include "image/CreateImage.h"
#include "ui/MessageBox.h"
#include "ui/ProgressLine.h"
#include "ui/ShowMessage.h"
#include "ui/frmStatus.h"

#include "SimulatedDrives.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

namespace {
// The window's dialog, noting the meter's line each time the run lets
// events through.
class LineRecorder : public StatusProgress {
public:
    using StatusProgress::StatusProgress;
    void DoEvents() override
    {
        if (Dialog())
            lines.push_back(Dialog()->lblProgress->text());
        StatusProgress::DoEvents();
    }
    QStringList lines;
};
}  // namespace

class MessageAndProgressTest : public QObject {
    Q_OBJECT
private slots:
    void buttonsValuesMapToBoxes_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("expectedButtons");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<int>("escapeButton");
        using B = QMessageBox;
        QTest::newRow("16 critical OK") << 16 << int(B::Ok) << int(B::Critical) << int(B::Ok) << int(B::Ok);
        QTest::newRow("48 exclamation OK") << 48 << int(B::Ok) << int(B::Warning) << int(B::Ok) << int(B::Ok);
        QTest::newRow("64 information OK") << 64 << int(B::Ok) << int(B::Information) << int(B::Ok) << int(B::Ok);
        QTest::newRow("65 OK Cancel") << 65 << int(B::Ok | B::Cancel) << int(B::Information) << int(B::Ok)
                                      << int(B::Cancel);
        QTest::newRow("292 question, No default")
            << 292 << int(B::Yes | B::No) << int(B::Question) << int(B::No) << int(B::No);
        QTest::newRow("308 exclamation, No default")
            << 308 << int(B::Yes | B::No) << int(B::Warning) << int(B::No) << int(B::No);
        QTest::newRow("yes/no without default flag") << 4 << int(B::Yes | B::No) << int(B::NoIcon) << int(B::Yes)
                                                     << int(B::No);
        QTest::newRow("yes/no/cancel, third default")
            << (3 + 512) << int(B::Yes | B::No | B::Cancel) << int(B::NoIcon) << int(B::Cancel) << int(B::Cancel);
    }
    void buttonsValuesMapToBoxes()
    {
        QFETCH(int, buttons);
        QFETCH(int, expectedButtons);
        QFETCH(int, icon);
        QFETCH(int, defaultButton);
        QFETCH(int, escapeButton);
        const MessageBoxLayout layout = LayoutForButtons(buttons);
        QCOMPARE(int(layout.buttons), expectedButtons);
        QCOMPARE(int(layout.icon), icon);
        QCOMPARE(int(layout.defaultButton), defaultButton);
        QCOMPARE(int(layout.escapeButton), escapeButton);
    }

    void answersAreWindowsNumbers()
    {
        QCOMPARE(AnswerForButton(QMessageBox::Ok), 1);
        QCOMPARE(AnswerForButton(QMessageBox::Cancel), 2);
        QCOMPARE(AnswerForButton(QMessageBox::Yes), 6);
        QCOMPARE(AnswerForButton(QMessageBox::No), 7);
        QCOMPARE(AnswerForButton(QMessageBox::NoButton), 0);
    }

    void theBoxShowsTheTextAndAnswersTheButtonPressed()
    {
        InstallMessageBoxHandler();
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&poll] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            poll.stop();
            QCOMPARE(box->windowTitle(), QString("Korvalith WIN - [Create image]"));
            QCOMPARE(box->text(), QString("line one\n\nline two"));
            QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
            box->button(QMessageBox::Yes)->click();
        });
        poll.start();
        QCOMPARE(ShowMessage("line one\r\n\r\nline two", 308, "Korvalith WIN - [Create image]"), 6);
        SetMessageHandler({});
    }

    void aBoxIsWideEnoughForItsCaption_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::newRow("short text") << "Image restored." << "Korvalith WIN - [Restore image]";
        QTest::newRow("one word") << "Done." << "Korvalith WIN - [File association]";
    }
    void aBoxIsWideEnoughForItsCaption()
    {
        QFETCH(QString, text);
        QFETCH(QString, caption);
        InstallMessageBoxHandler();
        int width = 0;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            poll.stop();
            width = box->width();
            box->button(QMessageBox::Ok)->click();
        });
        poll.start();
        QCOMPARE(ShowMessage(text.toStdString(), 64, caption.toStdString()), 1);
        SetMessageHandler({});
        QVERIFY2(width >= CaptionWidth(caption), qPrintable(QString("%1 < %2").arg(width).arg(CaptionWidth(caption))));
    }

    void statusDialogStartsFreshOnEveryRun()
    {
        QWidget owner;
        StatusProgress progress(&owner);
        for (int run = 0; run < 2; ++run) {
            progress.Open("Please wait, while creating the image...");
            frmStatus* dialog = progress.Dialog();
            QVERIFY(dialog);
            QCOMPARE(dialog->bButtonPressed_g, false);
            QVERIFY(dialog->isVisible());
            QVERIFY(dialog->cbButton->isVisible());
            QCOMPARE(dialog->cbButton->text(), QString("&Cancel"));
            QCOMPARE(dialog->lblInfo->text(), QString("Please wait, while creating the image..."));
            QCOMPARE(dialog->shpStatusBar->width(), 0);
            progress.SetBarWidth(123);
            QCOMPARE(dialog->shpStatusBar->width(), 123);

            // Two clicks before the run looks make one request.
            dialog->cbButton->click();
            dialog->cbButton->click();
            QVERIFY(progress.TakeCancelRequest());
            QVERIFY(!progress.TakeCancelRequest());
            dialog->cbButton->click();  // left pending when the run ends
            progress.Close();
            QVERIFY(!progress.Dialog());
        }
    }

    void escapeAndClosingAskForTheAbortAndKeepTheDialog()
    {
        QWidget owner;
        StatusProgress progress(&owner);
        progress.Open("Please wait, while restoring the image...");
        frmStatus* dialog = progress.Dialog();
        dialog->activateWindow();
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(dialog->isVisible());
        QVERIFY(progress.TakeCancelRequest());
        QVERIFY(!dialog->close());
        QVERIFY(dialog->isVisible());
        QVERIFY(progress.TakeCancelRequest());
        progress.Close();
    }

    void meterLineTexts()
    {
        struct Case {
            int64_t done, total;
            double rate;
            int64_t left;
            const char* text;
        };
        const int64_t MiB = 1 << 20;
        const Case cases[] = {
            {312 * MiB, 1095216660, 48.6 * MiB, 15, "312 MB of 1.02 GB \u00b7 48.6 MB/s \u00b7 0:15 left"},
            {512 * 1024, 3 * MiB, -1.0, -1, "512 kB of 3.00 MB"},  // the rate not yet known
            {10 * MiB, 20 * MiB, 0.0, -1, "10.0 MB of 20.0 MB \u00b7 0.00 kB/s"},  // nothing moving
            {2 * MiB, int64_t{64} << 30, 5.5 * MiB, 11913, "2.00 MB of 64.0 GB \u00b7 5.50 MB/s \u00b7 3:18:33 left"},
        };
        for (const Case& c : cases) {
            ProgressReading reading;
            reading.done = c.done;
            reading.total = c.total;
            reading.rate = c.rate;
            reading.secondsLeft = c.left;
            QCOMPARE(QString::fromStdString(ProgressLineText(reading)), QString(c.text));
        }
    }

    void theDialogShowsTheMeterLineDuringARun()
    {
        SimulatedDrives drives;
        drives.AddWithBytes(0, PatternBytes(3 << 20));
        QWidget owner;
        LineRecorder progress(&owner);
        ProgressSink* previous = SetProgressSink(&progress);
        ImageHeader header;
        const int32_t result = CreateImage("PHYSICALDRIVE0", drives.FilePath("line.kvi"), header);
        SetProgressSink(previous);
        QCOMPARE(result, 1);
        QCOMPARE(progress.lines.size(), 6);
        QCOMPARE(progress.lines.front(), QString("512 kB of 3.00 MB"));
        const QRegularExpression last("^3.00 MB of 3.00 MB \u00b7 [0-9.]+ (kB|MB|GB)/s \u00b7 0:00 left$");
        QVERIFY2(last.match(progress.lines.back()).hasMatch(), qPrintable(progress.lines.back()));
    }

    void aFreshlyLoadedDialogHidesCancel()
    {
        frmStatus dialog;
        QVERIFY(dialog.cbButton->isHidden());
        QCOMPARE(dialog.bButtonPressed_g, false);
        QCOMPARE(dialog.shpStatusBar->width(), PROGRESS_BAR_WIDTH);
        for (const char* name : {"lblInfo", "lblStatusBarFrame", "shpStatusBar", "cbButton", "imgIcon", "lblBar"})
            QVERIFY2(dialog.findChild<QWidget*>(name), name);
    }
};

QTEST_MAIN(MessageAndProgressTest)
#include "test_message_and_progress.moc"
