// Nothing cut, nothing overlapping: the main window from its minimum size to
// twice that, and the about window's credits strip. The program runs once
// for each scale factor the build registers (QT_SCALE_FACTOR).
#include "app/frmKorvalithWIN.h"
#include "ui/frmSplash.h"

#include "SimulatedDrives.h"
#include "WindowTestKit.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QtTest>

namespace {

// The window's own controls and frames, without the parts Qt builds inside
// them (scroll bars, viewports).
QList<QWidget*> Controls(QWidget* parent)
{
    QList<QWidget*> controls;
    for (QWidget* w : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isVisible() && !w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
            controls << w;
    return controls;
}

// Checks that each control lies inside its parent, overlaps no sibling and
// has at least the size it needs to show itself whole.
void CheckNothingCutOrOverlapping(QWidget* parent)
{
    const QList<QWidget*> controls = Controls(parent);
    for (QWidget* w : controls) {
        const QString name = w->objectName();
        QVERIFY2(parent->rect().contains(w->geometry()), qPrintable(name + " sticks out of its parent"));
        const QSize needed = w->minimumSizeHint().expandedTo(w->minimumSize());
        QVERIFY2(w->width() >= needed.width() && w->height() >= needed.height(), qPrintable(name + " is cut"));
        for (QWidget* other : controls)
            QVERIFY2(w == other || !w->geometry().intersects(other->geometry()),
                     qPrintable(name + " overlaps " + other->objectName()));
        CheckNothingCutOrOverlapping(w);
        if (QTest::currentTestFailed())
            return;
    }
}

QMap<QString, QRect> Geometries(QWidget* window)
{
    QMap<QString, QRect> geometries;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
            geometries[w->objectName()] = QRect(w->mapTo(window, QPoint()), w->size());
    return geometries;
}

}  // namespace

class WindowFitTest : public QObject {
    Q_OBJECT
private:
    IsolatedDesktop desktop_;

private slots:
    void initTestCase()
    {
        qInfo("scale factor %s", qgetenv("QT_SCALE_FACTOR").isEmpty() ? "1" : qgetenv("QT_SCALE_FACTOR").constData());
    }

    void extraHeightGoesToTheTwoTextBoxes()
    {
        SimulatedDrives drives;
        drives.Add(1, 4 << 20);
        frmKorvalithWIN window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QSize minimum = window.minimumSize();
        QVERIFY(minimum.isValid() && !minimum.isEmpty());

        window.resize(minimum);
        QTRY_COMPARE(window.size(), minimum);
        const QMap<QString, QRect> small = Geometries(&window);
        window.resize(minimum * 2);
        QTRY_COMPARE(window.size(), minimum * 2);
        const QMap<QString, QRect> large = Geometries(&window);

        const int grown = large["tbInformation"].height() - small["tbInformation"].height() +
                          large["tbDescription"].height() - small["tbDescription"].height();
        QCOMPARE(grown, minimum.height());
        QVERIFY(large["tbInformation"].height() > small["tbInformation"].height());
        QVERIFY(large["tbDescription"].height() > small["tbDescription"].height());
        for (const auto& name : small.keys())
            if (name != "tbInformation" && name != "tbDescription" && name != "central" && !name.startsWith("fm"))
                QVERIFY2(large[name].height() == small[name].height(), qPrintable(name + " changed its height"));
    }

    void nothingIsCutOrOverlapping_data()
    {
        QTest::addColumn<double>("factor");
        QTest::newRow("minimum size") << 1.0;
        QTest::newRow("default size") << 0.0;
        QTest::newRow("twice the minimum") << 2.0;
    }
    void nothingIsCutOrOverlapping()
    {
        QFETCH(double, factor);
        SimulatedDrives drives;
        drives.Add(1, 4 << 20);
        frmKorvalithWIN window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (factor > 0) {
            window.resize(window.minimumSize() * factor);
            QTRY_COMPARE(window.size(), window.minimumSize() * factor);
        }
        CheckNothingCutOrOverlapping(window.centralWidget());
    }

    void theCreditsStripShowsWholeLinesOnly()
    {
        ShowSplash(false);
        frmSplash* about = LoadedSplash();
        QVERIFY(about);
        QVERIFY(QTest::qWaitForWindowExposed(about));
        const QRegion shown = about->fmInfo->mask().isEmpty() ? QRegion(about->fmInfo->rect()) : about->fmInfo->mask();
        const int visible = shown.boundingRect().bottom() + 1;
        QCOMPARE(about->txtInfo->y(), 0);

        QTextDocument* document = about->txtInfo->document();
        document->documentLayout()->documentSize();  // lays the text out
        int wholeLines = 0;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            const QTextLayout* layout = block.layout();
            for (int i = 0; i < layout->lineCount(); ++i) {
                const QRectF line = layout->lineAt(i).rect().translated(layout->position());
                QVERIFY2(line.bottom() <= visible || line.top() >= visible,
                         qPrintable(QString("a line from %1 to %2 is cut at %3").arg(line.top()).arg(line.bottom()).arg(visible)));
                wholeLines += line.bottom() <= visible;
            }
        }
        QVERIFY(wholeLines >= 2);
        UnloadSplash();
    }
};

QTEST_MAIN(WindowFitTest)
#include "test_window_fit.moc"
