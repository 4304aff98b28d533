// Draws the main menu's picture (600 x 204): a delivery van on a road with the tracking unit
// on its roof, its position reaching it from the satellites. The menu shows the middle of the
// picture (about rows 30 to 174) at 96 dpi, so everything that matters lies in that band.
//
//   vort_draw_menu_picture <output.ppm>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {
void drawSky(QPainter &p)
{
    QLinearGradient sky(0, 0, 0, 130);
    sky.setColorAt(0.0, QColor(18, 42, 96));
    sky.setColorAt(0.55, QColor(52, 110, 186));
    sky.setColorAt(1.0, QColor(170, 208, 240));
    p.fillRect(QRectF(0, 0, 600, 132), sky);
}

void drawHills(QPainter &p)
{
    QPainterPath far;
    far.moveTo(0, 120);
    far.cubicTo(90, 96, 170, 112, 250, 104);
    far.cubicTo(330, 96, 420, 118, 600, 100);
    far.lineTo(600, 134);
    far.lineTo(0, 134);
    p.fillPath(far, QColor(96, 150, 120));
    QPainterPath near;
    near.moveTo(0, 126);
    near.cubicTo(120, 114, 260, 130, 380, 118);
    near.cubicTo(460, 112, 540, 124, 600, 118);
    near.lineTo(600, 136);
    near.lineTo(0, 136);
    p.fillPath(near, QColor(64, 124, 84));
}

void drawRoad(QPainter &p)
{
    p.fillRect(QRectF(0, 134, 600, 80), QColor(62, 64, 70));
    p.fillRect(QRectF(0, 134, 600, 3), QColor(200, 200, 190));
    p.setPen(QPen(QColor(245, 235, 170), 3, Qt::CustomDashLine, Qt::FlatCap));
    QPen dash = p.pen();
    dash.setDashPattern({8, 6});
    p.setPen(dash);
    p.drawLine(QPointF(0, 170), QPointF(600, 170));
}

void drawSatellite(QPainter &p, QPointF centre, double scale)
{
    p.save();
    p.translate(centre);
    p.scale(scale, scale);
    p.rotate(-20);
    p.setPen(QPen(QColor(20, 20, 30), 1));
    p.setBrush(QColor(40, 80, 170));
    for (int side : {-1, 1}) {
        const QRectF panel(side < 0 ? -34 : 10, -6, 24, 12);
        p.drawRect(panel);
        p.drawLine(QPointF(panel.left() + 8, panel.top()),
                   QPointF(panel.left() + 8, panel.bottom()));
        p.drawLine(QPointF(panel.left() + 16, panel.top()),
                   QPointF(panel.left() + 16, panel.bottom()));
    }
    p.setBrush(QColor(225, 225, 232));
    p.drawRoundedRect(QRectF(-10, -8, 20, 16), 3, 3);
    p.setBrush(QColor(240, 200, 80));
    p.drawEllipse(QPointF(0, 11), 4, 3);
    p.restore();
}

void drawSignal(QPainter &p, QPointF from, QPointF to)
{
    // Dotted line from the satellite to the antenna, with wave fronts near the antenna.
    QPen pen(QColor(255, 226, 120, 200), 2, Qt::DotLine, Qt::RoundCap);
    p.setPen(pen);
    p.drawLine(from, to);
    p.setPen(QPen(QColor(255, 226, 120), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int r = 10; r <= 26; r += 8)
        p.drawArc(QRectF(to.x() - r, to.y() - r, 2 * r, 2 * r), 20 * 16, 70 * 16);
}

void drawWheel(QPainter &p, QPointF centre)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(25, 25, 28));
    p.drawEllipse(centre, 15, 15);
    p.setBrush(QColor(170, 172, 178));
    p.drawEllipse(centre, 7, 7);
    p.setBrush(QColor(90, 92, 98));
    p.drawEllipse(centre, 2.5, 2.5);
}

void drawVan(QPainter &p)
{
    // Shadow on the road.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(QRectF(150, 160, 210, 12));

    QPainterPath body;
    body.moveTo(160, 162);
    body.lineTo(160, 96);
    body.quadTo(160, 88, 168, 88);
    body.lineTo(300, 88);
    body.quadTo(312, 88, 318, 98);
    body.lineTo(338, 126);
    body.quadTo(356, 130, 358, 140);
    body.lineTo(358, 162);
    body.closeSubpath();
    QLinearGradient paint(0, 88, 0, 162);
    paint.setColorAt(0, QColor(250, 250, 252));
    paint.setColorAt(1, QColor(205, 210, 220));
    p.setPen(QPen(QColor(40, 44, 52), 1.5));
    p.setBrush(paint);
    p.drawPath(body);

    // Livery stripe and the company's name.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(161, 132, 196, 8));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(17);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(30, 60, 130));
    p.drawText(QRectF(168, 100, 120, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("VORT"));
    font.setPixelSize(9);
    font.setBold(false);
    p.setFont(font);
    p.setPen(QColor(60, 64, 72));
    p.drawText(QRectF(168, 120, 130, 12), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("fleet tracking"));

    // Cab window and door.
    QPainterPath window;
    window.moveTo(300, 96);
    window.lineTo(308, 96);
    window.lineTo(328, 124);
    window.lineTo(300, 124);
    window.closeSubpath();
    p.setPen(QPen(QColor(40, 44, 52), 1.2));
    p.setBrush(QColor(150, 200, 235));
    p.drawPath(window);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(296, 92), QPointF(296, 160));
    p.setBrush(QColor(255, 210, 90));
    p.drawRect(QRectF(350, 142, 7, 6)); // headlight
    p.setBrush(QColor(220, 60, 50));
    p.drawRect(QRectF(161, 142, 5, 8)); // rear light

    drawWheel(p, QPointF(196, 162));
    drawWheel(p, QPointF(320, 162));

    // The tracking unit on the roof: a small box with its GPS antenna.
    p.setPen(QPen(QColor(20, 20, 24), 1));
    p.setBrush(QColor(40, 44, 52));
    p.drawRoundedRect(QRectF(228, 78, 34, 10), 2, 2);
    p.setBrush(QColor(90, 220, 120));
    p.drawEllipse(QPointF(255, 83), 2, 2);
    p.setPen(QPen(QColor(30, 30, 34), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(238, 78), QPointF(238, 62));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 34));
    p.drawEllipse(QPointF(238, 60), 6, 3.5);
}

void drawPositionPin(QPainter &p, QPointF tip)
{
    QPainterPath pin;
    pin.moveTo(tip);
    pin.cubicTo(tip + QPointF(-4, -10), tip + QPointF(-13, -16), tip + QPointF(-13, -26));
    pin.arcTo(QRectF(tip.x() - 13, tip.y() - 39, 26, 26), 180, -180);
    pin.cubicTo(tip + QPointF(13, -16), tip + QPointF(4, -10), tip);
    p.setPen(QPen(QColor(120, 20, 20), 1.2));
    p.setBrush(QColor(225, 50, 45));
    p.drawPath(pin);
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(tip + QPointF(0, -26), 5, 5);
}

void drawTitle(QPainter &p)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(34);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRectF(402, 40, 190, 40), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("VORT"));
    p.setPen(Qt::white);
    p.drawText(QRectF(400, 38, 190, 40), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("VORT"));
    font.setPixelSize(13);
    font.setBold(false);
    p.setFont(font);
    p.setPen(QColor(230, 240, 255));
    p.drawText(QRectF(340, 76, 250, 18), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("GPS tracking  \u00b7  voice  \u00b7  ADC"));
}
} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vort_draw_menu_picture <output.ppm>\n");
        return 2;
    }
    QImage image(600, 204, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    drawSky(p);
    // Stars fading into the day.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    for (const QPointF star : {QPointF(40, 38), QPointF(96, 52), QPointF(150, 34), QPointF(208, 46),
                               QPointF(300, 40), QPointF(352, 58), QPointF(128, 70)})
        p.drawEllipse(star, 1.2, 1.2);
    drawSatellite(p, QPointF(72, 54), 0.8);
    drawSatellite(p, QPointF(372, 44), 1.0);
    drawSignal(p, QPointF(84, 62), QPointF(236, 50));
    drawSignal(p, QPointF(362, 54), QPointF(240, 50));
    // The ground a little higher, so the wheels stay inside the part the menu shows.
    p.translate(0, -8);
    drawHills(p);
    drawRoad(p);
    // The route driven so far, as the unit logs it.
    p.setPen(QPen(QColor(255, 120, 90), 2, Qt::DashLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 152), QPointF(150, 152));
    for (const double x : {30.0, 70.0, 110.0}) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 120, 90));
        p.drawEllipse(QPointF(x, 152), 3.5, 3.5);
    }
    drawVan(p);
    drawPositionPin(p, QPointF(458, 150));
    p.resetTransform();
    drawTitle(p);
    p.end();

    // A binary PPM: the menu shows its pixels as they are, with no decoder to run at start-up.
    if (!image.convertToFormat(QImage::Format_RGB888)
             .save(QString::fromLocal8Bit(argv[1]), "PPM")) {
        std::fprintf(stderr, "vort_draw_menu_picture: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
