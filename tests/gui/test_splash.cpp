// The splash and about window, driven through its handlers and timer ticks.
#include "ui/frmSplash.h"

#include <QLabel>
#include <QPointer>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

namespace {

constexpr Qt::KeyboardModifiers kChord = Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier;

QWidget* Control(frmSplash* form, const QString& name)
{
    if (name == "frmSplash")
        return form;
    if (name == "txtInfo")
        return form->txtInfo->viewport();  // where clicks on the text land
    return form->findChild<QWidget*>(name);
}

void DeleteUnloadedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class TestSplash : public QObject {
    Q_OBJECT

    Qt::KeyboardModifiers held_;

    frmSplash* ShowAbout()
    {
        ShowSplash(false);
        frmSplash* form = LoadedSplash();
        if (!form)
            qFatal("about window not loaded");
        return form;
    }

private slots:
    void initTestCase()
    {
        SetModifierKeysReader([this] { return held_; });
        SetSplashWait([](int) { QFAIL("the start-up wait was not replaced"); });
    }

    void cleanup()
    {
        UnloadSplash();
        DeleteUnloadedWindows();
        held_ = {};
    }

    void startupSplashIgnoresInputAndClosesAfterOneSecond()
    {
        int waited = 0;
        QPointer<frmSplash> seen;
        const auto previous = SetSplashWait([&](int milliseconds) {
            waited = milliseconds;
            seen = LoadedSplash();
            QVERIFY(seen && seen->isVisible());
            QTest::mouseClick(seen, Qt::LeftButton, {}, QPoint(5, 5));
            QTest::mouseClick(seen->lblApplicationVersion, Qt::LeftButton);
            QTest::mouseClick(seen->txtInfo->viewport(), Qt::LeftButton);
            QTest::keyClick(seen->txtInfo, Qt::Key_Escape);
            QTest::keyClick(seen, Qt::Key_A);
            QCOMPARE(LoadedSplash(), seen.data());
            QVERIFY(!seen->timScrollBeginTimer->isActive());
            QCOMPARE(seen->txtInfo->y(), 0);
        });

        ShowSplash(true);
        SetSplashWait(previous);

        QCOMPARE(waited, 1000);
        QVERIFY(seen);
        QVERIFY(!seen->isVisible());
        QCOMPARE(LoadedSplash(), nullptr);
        DeleteUnloadedWindows();
        QVERIFY(!seen);
    }

    void windowShowsTheProgramsTexts()
    {
        frmSplash* form = ShowAbout();

        QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(form->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(form->lblApplicationVersion->text(), QString("Version 1.1 [Build 21112005]"));
        QCOMPARE(form->lblStatusLine->text(), QString());
        QVERIFY(form->lblCopyright->text().startsWith("Copyright"));
        QCOMPARE(form->lblCopyright->font().family(), QString("Arial Narrow"));
        QVERIFY(form->lblCopyright->font().bold());
        QCOMPARE(form->lInfoLineCount, 10);
        const QStringList lines = form->txtInfo->toPlainText().split('\n');
        QCOMPARE(lines.size(), 10);
        for (int i = 0; i < 10; ++i)
            QCOMPARE(lines[i].isEmpty(), i == 4 || i == 7);
        QCOMPARE(lines[8], QString("Uses 'zlib' compression library developed by"));
        QCOMPARE(lines[9], QString("Jean-loup Gailly and Mark Adler - https://zlib.net"));
        QVERIFY(form->LineHeight() > 0);
    }

    void aboutWindowPausesScrollsAndSnapsBack()
    {
        frmSplash* form = ShowAbout();
        QVERIFY(form->timScrollBeginTimer->isActive());
        QCOMPARE(form->timScrollBeginTimer->interval(), 2000);
        QVERIFY(!form->timScrollTimer->isActive());
        QCOMPARE(form->timScrollTimer->interval(), 200);

        for (int round = 0; round < 2; ++round) {
            form->timScrollBeginTimer_Timer();
            QVERIFY(!form->timScrollBeginTimer->isActive());
            QVERIFY(form->timScrollTimer->isActive());
            const int rise = form->LineHeight() * 10;
            for (int tick = 1; tick <= rise; ++tick)
                form->timScrollTimer_Timer();
            QCOMPARE(form->txtInfo->y(), -rise);
            QVERIFY(form->timScrollTimer->isActive());

            form->timScrollTimer_Timer();
            QCOMPARE(form->txtInfo->y(), 0);
            QVERIFY(!form->timScrollTimer->isActive());
            QVERIFY(form->timScrollBeginTimer->isActive());
        }
    }

    void clicksCloseTheAboutWindow_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("closes");
        QTest::newRow("window") << "frmSplash" << QPoint(3, 160) << true;
        QTest::newRow("status line") << "lblStatusLine" << QPoint() << true;
        QTest::newRow("version line") << "lblApplicationVersion" << QPoint() << true;
        QTest::newRow("program picture") << "imgApplicationImage" << QPoint(20, 200) << true;
        QTest::newRow("border") << "lblInfo" << QPoint(1, 1) << true;
        QTest::newRow("strip") << "fmInfo" << QPoint() << true;
        QTest::newRow("text") << "txtInfo" << QPoint() << true;
        QTest::newRow("copyright line") << "lblCopyright" << QPoint() << false;
        QTest::newRow("spot") << "imgee" << QPoint() << false;
    }

    void clicksCloseTheAboutWindow()
    {
        QFETCH(QString, control);
        QFETCH(QPoint, at);
        QFETCH(bool, closes);
        frmSplash* form = ShowAbout();
        QPointer<frmSplash> watch = form;

        QTest::mouseClick(Control(form, control), Qt::LeftButton, {}, at);

        QCOMPARE(LoadedSplash() == nullptr, closes);
        QCOMPARE(form->isVisible(), !closes);
        if (closes) {
            QVERIFY(!form->timScrollBeginTimer->isActive());
            DeleteUnloadedWindows();
            QVERIFY(!watch);
        }
    }

    void keysThatTypeACharacterClose_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closes");
        QTest::newRow("letter") << "txtInfo" << int(Qt::Key_A) << true;
        QTest::newRow("enter") << "txtInfo" << int(Qt::Key_Return) << true;
        QTest::newRow("escape") << "txtInfo" << int(Qt::Key_Escape) << true;
        QTest::newRow("backspace") << "txtInfo" << int(Qt::Key_Backspace) << true;
        QTest::newRow("letter on the window") << "frmSplash" << int(Qt::Key_X) << true;
        QTest::newRow("arrow") << "txtInfo" << int(Qt::Key_Down) << false;
        QTest::newRow("function key") << "txtInfo" << int(Qt::Key_F5) << false;
        QTest::newRow("arrow on the window") << "frmSplash" << int(Qt::Key_Left) << false;
    }

    void keysThatTypeACharacterClose()
    {
        QFETCH(QString, control);
        QFETCH(int, key);
        QFETCH(bool, closes);
        frmSplash* form = ShowAbout();
        QWidget* target = control == "txtInfo" ? static_cast<QWidget*>(form->txtInfo) : form;

        QTest::keyClick(target, Qt::Key(key));

        QCOMPARE(LoadedSplash() == nullptr, closes);
    }

    void layoutFollowsTheChord_data()
    {
        QTest::addColumn<int>("held");
        QTest::addColumn<int>("shift");
        QTest::newRow("chord held: full width") << int(kChord) << 0;
        QTest::newRow("nothing held: narrow") << 0 << 95;
        QTest::newRow("two of three: narrow") << int(Qt::ControlModifier | Qt::ShiftModifier) << 95;
    }

    void layoutFollowsTheChord()
    {
        QFETCH(int, held);
        QFETCH(int, shift);
        held_ = Qt::KeyboardModifiers(held);

        frmSplash* form = ShowAbout();

        QCOMPARE(form->size(), QSize(430 - shift, 330));
        QCOMPARE(form->Picture().size(), QSize(430 - shift, 330));
        const struct {
            QWidget* control;
            QRect design;
        } expected[] = {
            {form->imgApplicationImage, {106, 22, 312, 237}}, {form->lblApplicationVersion, {112, 24, 301, 13}},
            {form->lblStatusLine, {242, 3, 39, 13}},          {form->lblInfo, {104, 275, 315, 33}},
            {form->fmInfo, {106, 277, 310, 28}},              {form->lblCopyright, {101, 314, 319, 15}},
            {form->imgee, {275, 125, 3, 3}},                  {form->imgbg, {160, 60, 250, 200}},
        };
        for (const auto& [control, design] : expected)
            QCOMPARE(control->geometry(), design.translated(-shift, 0));
        QCOMPARE(form->txtInfo->geometry(), QRect(0, 0, 310, 529));
        QVERIFY(!form->imgNewSplash->isVisible());
        QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(form->imgee->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(form->imgbg->cursor().shape(), Qt::BitmapCursor);
    }

    void spotShowsAndHidesTheHiddenPicture()
    {
        frmSplash* form = ShowAbout();
        QVERIFY(!form->imgbg->isVisible());

        QTest::mouseClick(form->imgee, Qt::LeftButton);
        QVERIFY(form->imgbg->isVisible());
        QCOMPARE(form->imgbg->geometry(), QRect(65, 60, 250, 200));

        QTest::mouseClick(form->imgbg, Qt::LeftButton);
        QVERIFY(!form->imgbg->isVisible());
        QCOMPARE(LoadedSplash(), form);
    }

    void secondAboutCallKeepsTheOpenWindowAsItIs()
    {
        frmSplash* form = ShowAbout();
        form->timScrollBeginTimer_Timer();
        form->timScrollTimer_Timer();
        const QRect version = form->lblApplicationVersion->geometry();

        ShowSplash(false);

        QCOMPARE(LoadedSplash(), form);
        QCOMPARE(form->width(), 335);
        QCOMPARE(form->lblApplicationVersion->geometry(), version);
        QCOMPARE(form->txtInfo->y(), -1);
    }

    void unloadStopsTheTimersAndTheNextShowStartsAfresh()
    {
        frmSplash* form = ShowAbout();
        form->timScrollBeginTimer_Timer();

        UnloadSplash();

        QCOMPARE(LoadedSplash(), nullptr);
        QVERIFY(!form->timScrollTimer->isActive());
        QVERIFY(!form->timScrollBeginTimer->isActive());
        DeleteUnloadedWindows();
        UnloadSplash();  // nothing loaded: nothing happens

        held_ = kChord;
        frmSplash* again = ShowAbout();
        QCOMPARE(again->width(), 430);
        QCOMPARE(again->txtInfo->y(), 0);
    }
};

QTEST_MAIN(TestSplash)
#include "test_splash.moc"
