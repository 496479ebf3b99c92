// Typing into the main window: what the header boxes show, Tab, the focus
// order and the names screen readers hear.
#include "app/frmKorvalithWIN.h"
#include "image/Commands.h"
#include "image/FixedText.h"

#include "SimulatedDrives.h"
#include "WindowTestKit.h"

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// Sends one key press per character, as a keyboard or input method types
// them; a character outside the basic plane arrives whole.
void Type(QWidget* box, const QString& text)
{
    for (const char32_t cp : text.toUcs4()) {
        const QString character = QString::fromUcs4(&cp, 1);
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, character);
        QApplication::sendEvent(box, &press);
    }
}

void Paste(QWidget* box, const QString& text)
{
    QApplication::clipboard()->setText(text);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}

// The creator and description as an image made now would hold them, read
// back from the header's bytes.
QStringList StoredTexts(const frmKorvalithWIN& window)
{
    const ImageHeader made = NewImageHeader(window.tbCreator->text().toStdString(),
                                            window.tbDescription->toPlainText().toStdString());
    const ImageHeader read = UnpackImageHeader(PackImageHeader(made));
    return {QString::fromStdString(CutAtNul(read.Creator)),
            QString::fromStdString(CutAtNul(read.Description)).replace("\r\n", "\n")};
}

QWidget* Focused()
{
    return QApplication::focusWidget();
}

}  // namespace

class WindowInputTest : public QObject {
    Q_OBJECT
private:
    IsolatedDesktop desktop_;
    std::unique_ptr<SimulatedDrives> drives_;
    std::unique_ptr<frmKorvalithWIN> window_;

    QWidget* Box(const QString& name) const { return window_->findChild<QWidget*>(name); }

private slots:
    void init()
    {
        drives_ = std::make_unique<SimulatedDrives>();
        drives_->Add(1, 4 << 20);
        window_ = std::make_unique<frmKorvalithWIN>();
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }
    void cleanup()
    {
        window_.reset();
        drives_.reset();
    }

    void charactersTheHeaderCannotHoldShowAsQuestionMarks_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("pasted");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("shown");
        QTest::newRow("typed creator") << "tbCreator" << false << "Jürgen 日本" << "Jürgen ??";
        QTest::newRow("pasted creator, code page punctuation kept")
            << "tbCreator" << true << "€ 5 – “ok” ✓" << "€ 5 – “ok” ?";
        QTest::newRow("typed creator, beyond the basic plane") << "tbCreator" << false << "a😀b" << "a?b";
        QTest::newRow("typed description") << "tbDescription" << false << "Ærø 日" << "Ærø ?";
        QTest::newRow("pasted description, lines kept")
            << "tbDescription" << true << "Fotos\n写真 😀\nend" << "Fotos\n?? ?\nend";
    }
    void charactersTheHeaderCannotHoldShowAsQuestionMarks()
    {
        QFETCH(QString, box);
        QFETCH(bool, pasted);
        QFETCH(QString, input);
        QFETCH(QString, shown);
        QWidget* target = Box(box);
        target->setFocus();
        pasted ? Paste(target, input) : Type(target, input);
        const QString text = box == "tbCreator" ? window_->tbCreator->text() : window_->tbDescription->toPlainText();
        QCOMPARE(text, shown);
        QCOMPARE(StoredTexts(*window_)[box == "tbCreator" ? 0 : 1], shown);
    }

    void theDescriptionKeepsToTheHeadersLength_data()
    {
        const QString full(256, 'a');
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("after");
        QTest::newRow("full box") << full << 256 << "b" << full;
        QTest::newRow("a line break counts two") << QString(255, 'a') << 255 << "\n" << QString(255, 'a');
        QTest::newRow("cut from what is pasted, not from the end")
            << QString(250, 'a') + "END" << 10 << "123456" << QString(10, 'a') + "123" + QString(240, 'a') + "END";
        QTest::newRow("a replaced character counts once")
            << QString(250, 'a') << 250 << "日本語日本語日本" << QString(250, 'a') + "??????";
    }
    void theDescriptionKeepsToTheHeadersLength()
    {
        QFETCH(QString, before);
        QFETCH(int, caret);
        QFETCH(QString, pasted);
        QFETCH(QString, after);
        window_->tbDescription->setPlainText(before);
        window_->tbDescription->setFocus();
        QTextCursor cursor = window_->tbDescription->textCursor();
        cursor.setPosition(caret);
        window_->tbDescription->setTextCursor(cursor);
        Paste(window_->tbDescription, pasted);
        QCOMPARE(window_->tbDescription->toPlainText(), after);
    }

    void tabLeavesTheDescriptionAndTypesNothing()
    {
        window_->tbDescription->setPlainText("two\nlines");
        window_->tbDescription->setFocus();
        QTest::keyClick(window_->tbDescription, Qt::Key_Tab);
        QCOMPARE(Focused(), static_cast<QWidget*>(window_->cmdCreateImage));
        QCOMPARE(window_->tbDescription->toPlainText(), QString("two\nlines"));

        window_->tbDescription->setFocus();
        QTest::keyClick(window_->tbDescription, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(Focused(), static_cast<QWidget*>(window_->tbCreator));
        QCOMPARE(window_->tbDescription->toPlainText(), QString("two\nlines"));
    }

    void tabGoesThroughEveryControlTopToBottom()
    {
        window_->cbPhysicalDrive->setFocus();
        QList<QWidget*> visited{Focused()};
        for (int i = 0; i < 30; ++i) {
            QTest::keyClick(Focused(), Qt::Key_Tab);
            if (Focused() == visited.first())
                break;
            QVERIFY2(!visited.contains(Focused()), qPrintable(Focused()->objectName()));
            visited << Focused();
        }
        QCOMPARE(Focused(), visited.first());

        for (QWidget* w : window_->centralWidget()->findChildren<QWidget*>())
            if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty() &&
                !w->objectName().startsWith("qt_"))
                QVERIFY2(visited.contains(w), qPrintable(w->objectName() + " is never reached"));

        // Each next control lies lower, or on the same row further right.
        for (qsizetype i = 1; i < visited.size(); ++i) {
            const QRect a(visited[i - 1]->mapTo(window_.get(), QPoint()), visited[i - 1]->size());
            const QRect b(visited[i]->mapTo(window_.get(), QPoint()), visited[i]->size());
            const bool sameRow = b.top() < a.bottom() && a.top() < b.bottom();
            const QString step = visited[i - 1]->objectName() + " -> " + visited[i]->objectName();
            QVERIFY2(sameRow ? b.left() > a.left() : b.top() >= a.bottom(), qPrintable(step));
        }
    }

    void everyControlHasANameForScreenReaders()
    {
        for (QWidget* w : window_->centralWidget()->findChildren<QWidget*>()) {
            if (!(w->focusPolicy() & Qt::TabFocus) || w->objectName().isEmpty() || w->objectName().startsWith("qt_"))
                continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
            QVERIFY2(accessible, qPrintable(w->objectName()));
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(w->objectName()));
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(window_->tbCreator)->text(QAccessible::Name),
                 QString("Created by"));
    }

    void aBoxLeftBehindShowsNoSelection()
    {
        window_->tbInformation->setFocus();
        QTRY_VERIFY(window_->tbInformation->textCursor().hasSelection());
        QTest::keyClick(window_->tbInformation, Qt::Key_Tab);
        QVERIFY(!window_->tbInformation->hasFocus());
        QVERIFY(!window_->tbInformation->textCursor().hasSelection());
    }
};

QTEST_MAIN(WindowInputTest)
#include "test_window_input.moc"
