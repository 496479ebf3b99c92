#include "ui/Pictures.h"

#include "ui/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {
const QColor kNavy(0x1f, 0x3b, 0x5c);
const QColor kBlue(0x2a, 0x6f, 0xb0);
const QColor kGold(0xe8, 0xb1, 0x2c);

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
    p.setBrush(kNavy);
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

QPixmap BarPicture(int width, int height)
{
    QPixmap pixmap(width, height);
    QPainter p(&pixmap);
    QLinearGradient band(0, 0, width, 0);
    band.setColorAt(0, kNavy);
    band.setColorAt(0.7, kBlue);
    band.setColorAt(1, kBlue.lighter(140));
    p.fillRect(pixmap.rect(), band);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(6, (height - 24) / 2, ProgramIcon(24));
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setBold(true);
    font.setPointSize(11);
    p.setFont(font);
    p.drawText(QRect(36, 0, width - 40, height), Qt::AlignVCenter | Qt::AlignLeft, "Korvalith WIN");
    return pixmap;
}
