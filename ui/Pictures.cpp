#include "ui/Pictures.h"

#include "ui/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {
const QColor kNavy(0x1f, 0x3b, 0x5c);
const QColor kBlue(0x2a, 0x6f, 0xb0);
const QColor kGold(0xe8, 0xb1, 0x2c);

// Where the strip's icon and title go.
constexpr int kIconLeft = 6;
constexpr int kIconSize = 24;
constexpr int kTitleLeft = 36;
constexpr const char* kTitle = "Korvalith WIN";

QFont TitleFont()
{
    QFont font;
    font.setBold(true);
    font.setPointSize(11);
    return font;
}

QPixmap Blank(int w, int h)
{
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    return pixmap;
}
}  // namespace

QPixmap ProgramIcon(int size)
{
    return QPixmap(ArtworkPath("icons/KorvalithWin.png"))
        .scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QPixmap EjectPicture(int size)
{
    QPixmap pixmap = Blank(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(Qt::NoPen);
    // Mid blue: it stands out on light and on dark buttons alike.
    p.setBrush(kBlue);
    p.drawPolygon(QPolygonF({QPointF(8, 2), QPointF(14, 9), QPointF(2, 9)}));
    p.drawRect(QRectF(2, 11, 12, 3));
    return pixmap;
}

QPixmap OpenPicture(int size)
{
    QPixmap pixmap = Blank(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QPen(kNavy, 1));
    p.setBrush(kGold);
    p.drawPolygon(QPolygonF({QPointF(1, 4), QPointF(6, 4), QPointF(7, 5), QPointF(14, 5), QPointF(14, 13),
                             QPointF(1, 13)}));
    p.setBrush(kGold.lighter(120));
    p.drawPolygon(QPolygonF({QPointF(3, 7), QPointF(15.5, 7), QPointF(14, 13), QPointF(1, 13)}));
    return pixmap;
}

QPixmap BarPicture(int width, int height, qreal ratio)
{
    QPixmap pixmap(QSize(width, height) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    QPainter p(&pixmap);
    QLinearGradient band(0, 0, width, 0);
    band.setColorAt(0, kNavy);
    band.setColorAt(0.7, kBlue);
    band.setColorAt(1, kBlue.lighter(140));
    p.fillRect(QRect(0, 0, width, height), band);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(QRect(kIconLeft, (height - kIconSize) / 2, kIconSize, kIconSize), ProgramIcon(qCeil(kIconSize * ratio)));
    p.setPen(Qt::white);
    p.setFont(TitleFont());
    p.drawText(QRect(kTitleLeft, 0, width - kTitleLeft - 4, height), Qt::AlignVCenter | Qt::AlignLeft, kTitle);
    return pixmap;
}

QSize BarPictureMinimumSize()
{
    return {kTitleLeft + QFontMetrics(TitleFont()).horizontalAdvance(kTitle) + 3 * kIconLeft, 36};
}
