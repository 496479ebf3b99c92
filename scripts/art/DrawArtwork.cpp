// Draws the program's pictures and writes them as the PNG files under
// resources/ that the program embeds and installs.
// Usage: korvalith_draw_art <resources folder>
// Returns 0 when every picture was written, 1 otherwise.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

const QColor kNight(18, 32, 64);
const QColor kSteel(46, 84, 140);
const QColor kAmber(244, 178, 52);

QImage Blank(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A drive seen from the front: body, label window and activity light.
void DrawDrive(QPainter& p, const QRectF& r)
{
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0, QColor(214, 222, 234));
    body.setColorAt(1, QColor(138, 152, 176));
    p.setPen(QPen(QColor(40, 48, 64), r.height() / 40.0));
    p.setBrush(body);
    p.drawRoundedRect(r, r.height() / 8, r.height() / 8);
    const QRectF slot(r.left() + r.width() * 0.12, r.top() + r.height() * 0.38, r.width() * 0.6, r.height() * 0.16);
    p.setBrush(QColor(30, 36, 48));
    p.drawRoundedRect(slot, slot.height() / 3, slot.height() / 3);
    p.setPen(Qt::NoPen);
    p.setBrush(kAmber);
    const double light = r.height() * 0.14;
    p.drawEllipse(QRectF(r.right() - r.width() * 0.15, r.top() + r.height() * 0.39, light, light));
}

// A memory card with its cut corner and contacts.
void DrawCard(QPainter& p, const QRectF& r)
{
    QPainterPath card;
    const double cut = r.width() * 0.28;
    card.moveTo(r.left(), r.top());
    card.lineTo(r.right() - cut, r.top());
    card.lineTo(r.right(), r.top() + cut);
    card.lineTo(r.right(), r.bottom());
    card.lineTo(r.left(), r.bottom());
    card.closeSubpath();
    p.setPen(QPen(QColor(20, 24, 32), r.width() / 30.0));
    p.setBrush(kSteel);
    p.drawPath(card);
    p.setPen(Qt::NoPen);
    p.setBrush(kAmber);
    const double w = r.width() / 9.0;
    for (int i = 0; i < 5; ++i)
        p.drawRect(QRectF(r.left() + w * (0.8 + 1.3 * i), r.top() + r.height() * 0.06, w * 0.8, r.height() * 0.2));
    p.setBrush(QColor(240, 240, 240));
    p.drawRect(QRectF(r.left() + r.width() * 0.12, r.top() + r.height() * 0.45, r.width() * 0.76, r.height() * 0.4));
}

// The arrow that runs from card to drive: what the program does.
void DrawArrow(QPainter& p, QPointF from, QPointF to, double width)
{
    p.setPen(QPen(kAmber, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    QLineF back(to, from);
    back.setLength(width * 2.6);
    for (double angle : {30.0, -30.0}) {
        QLineF head = back;
        head.setAngle(back.angle() + angle);
        p.drawLine(head);
    }
}

QImage ProgramIcon()
{
    QImage image = Blank(256, 256);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient plate(0, 0, 0, 256);
    plate.setColorAt(0, kSteel);
    plate.setColorAt(1, kNight);
    p.setPen(Qt::NoPen);
    p.setBrush(plate);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    DrawCard(p, QRectF(34, 40, 86, 112));
    DrawDrive(p, QRectF(40, 166, 176, 56));
    DrawArrow(p, QPointF(136, 96), QPointF(196, 150), 12);
    return image;
}

void DrawBackdrop(QPainter& p, int width, int height)
{
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, kNight);
    sky.setColorAt(0.8, kSteel);
    sky.setColorAt(1, QColor(90, 120, 168));
    p.fillRect(0, 0, width, height, sky);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    for (int y = 8; y < height; y += 16)
        p.drawLine(0, y, width, y);
    // A light footer under the credits strip keeps the dark copyright line readable.
    QLinearGradient footer(0, 266, 0, height);
    footer.setColorAt(0, QColor(196, 206, 222));
    footer.setColorAt(1, QColor(236, 239, 245));
    p.fillRect(0, 266, width, height - 266, footer);
    p.setPen(QPen(kAmber, 2));
    p.drawLine(0, 266, width, 266);
    p.setPen(QPen(QColor(8, 14, 28), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, width - 2, height - 2));
}

// The band that only the full-width layout shows: product name set upright.
void DrawSideBand(QPainter& p)
{
    QLinearGradient band(0, 0, 95, 0);
    band.setColorAt(0, QColor(10, 18, 38));
    band.setColorAt(1, QColor(10, 18, 38, 0));
    p.fillRect(2, 2, 95, 263, band);
    p.save();
    p.translate(58, 250);
    p.rotate(-90);
    QFont font("DejaVu Sans", 22, QFont::Bold);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(0, 0, "KORVALITH");
    p.restore();
    DrawCard(p, QRectF(18, 20, 34, 44));
}

QImage Background(int width, bool withSideBand)
{
    QImage image = Blank(width, 330);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    DrawBackdrop(p, width, 330);
    if (withSideBand)
        DrawSideBand(p);
    return image;
}

QImage ApplicationPicture()
{
    QImage image = Blank(312, 237);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(156, 130), 190);
    glow.setColorAt(0, QColor(70, 110, 170));
    glow.setColorAt(1, QColor(20, 34, 66));
    p.setPen(QPen(QColor(8, 14, 28), 2));
    p.setBrush(glow);
    p.drawRoundedRect(QRectF(1, 1, 310, 235), 10, 10);
    DrawCard(p, QRectF(28, 70, 70, 92));
    DrawArrow(p, QPointF(112, 116), QPointF(170, 116), 8);
    DrawDrive(p, QRectF(184, 92, 104, 46));
    p.setPen(Qt::white);
    p.setFont(QFont("DejaVu Sans", 22, QFont::Bold));
    p.drawText(QRectF(0, 168, 312, 34), Qt::AlignCenter, "Korvalith WIN");
    p.setPen(kAmber);
    p.setFont(QFont("DejaVu Sans", 10));
    p.drawText(QRectF(0, 200, 312, 22), Qt::AlignCenter, "create + restore + clone");
    return image;
}

QImage HiddenPicture()
{
    QImage image = Blank(250, 200);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kAmber, 3));
    p.setBrush(QColor(250, 244, 226));
    p.drawRoundedRect(QRectF(2, 2, 246, 196), 14, 14);
    DrawDrive(p, QRectF(55, 40, 140, 56));
    p.setPen(QPen(QColor(40, 48, 64), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(100, 60, 50, 40), 200 * 16, 140 * 16);
    p.setPen(kNight);
    p.setFont(QFont("DejaVu Sans", 12, QFont::Bold));
    p.drawText(QRectF(0, 110, 250, 30), Qt::AlignCenter, "Every block in its place.");
    p.setFont(QFont("DejaVu Sans", 9));
    p.drawText(QRectF(0, 140, 250, 40), Qt::AlignCenter, "Thank you for looking closely.\nThe Korvalith WIN team");
    return image;
}

// The pointer over the spot: a small magnifying glass, hot spot at its centre.
QImage SpotPointer()
{
    QImage image = Blank(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 20), QPointF(29, 29));
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(255, 230, 140, 180));
    p.drawEllipse(QRectF(3, 3, 18, 18));
    return image;
}

// The pointer over the hidden picture: a star that says "click to hide".
QImage HiddenPointer()
{
    QImage image = Blank(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double radius = (i % 2) ? 6 : 14;
        QLineF ray(QPointF(16, 16), QPointF(16, 16 - radius));
        ray.setAngle(90 + 36 * i);
        i == 0 ? star.moveTo(ray.p2()) : star.lineTo(ray.p2());
    }
    star.closeSubpath();
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(kAmber);
    p.drawPath(star);
    return image;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
        return 1;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    root.mkpath("splash");
    root.mkpath("icons");
    const struct {
        const char* name;
        QImage image;
    } pictures[] = {
        {"icons/KorvalithWin.png", ProgramIcon()},
        {"splash/background-full.png", Background(430, true)},
        {"splash/background-narrow.png", Background(335, false)},
        {"splash/application.png", ApplicationPicture()},
        {"splash/hidden.png", HiddenPicture()},
        {"splash/pointer-spot.png", SpotPointer()},
        {"splash/pointer-hidden.png", HiddenPointer()},
    };
    int failures = 0;
    for (const auto& picture : pictures) {
        if (!picture.image.save(root.filePath(picture.name), "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", picture.name);
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
