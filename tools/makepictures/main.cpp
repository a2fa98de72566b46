// Draws the program's fifteen pictures (ten crosshair previews, five class banners) and writes
// them as baseline JPEG files into the folder given on the command line:
//
//     makepictures <folder>
//
// The files are committed under resources/; run this only to remake them.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QRadialGradient>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

constexpr int kQuality = 90;

// Encodes with libjpeg directly so that the output is plain baseline JPEG whatever image
// plugins Qt happens to have. A libjpeg failure here can only be a bug or lack of memory; the
// library's default handler then prints the reason and ends the tool, which is all we need.
QByteArray encodeBaselineJpeg(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);

    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);

    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);

    cinfo.image_width = JDIMENSION(rgb.width());
    cinfo.image_height = JDIMENSION(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kQuality, TRUE);
    // No chroma subsampling: the crosshairs and the lettering are one or two pixels thin and
    // would bleed colour at half resolution.
    cinfo.comp_info[0].h_samp_factor = 1;
    cinfo.comp_info[0].v_samp_factor = 1;
    cinfo.optimize_coding = TRUE;
    cinfo.density_unit = 1;
    cinfo.X_density = 96;
    cinfo.Y_density = 96;

    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        // libjpeg does not write through the row pointer; its API just is not const-correct.
        JSAMPROW row = const_cast<uchar *>(rgb.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);

    const QByteArray data(reinterpret_cast<const char *>(buffer), qsizetype(size));
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return data;
}

QColor jitter(const QColor &color, int amount, QRandomGenerator &random)
{
    const int d = int(random.bounded(2 * amount + 1)) - amount;
    return QColor(qBound(0, color.red() + d, 255), qBound(0, color.green() + d, 255),
                  qBound(0, color.blue() + d, 255));
}

// Scatters small specks of varied colour over the painter's current clip: dirt, grass, snow.
void speckle(QPainter &p, const QRect &area, const QColor &base, int count, int amount,
             QRandomGenerator &random)
{
    for (int i = 0; i < count; ++i) {
        const int x = area.left() + int(random.bounded(area.width()));
        const int y = area.top() + int(random.bounded(area.height()));
        const int w = 1 + int(random.bounded(3));
        p.fillRect(x, y, w, 1, jitter(base, amount, random));
    }
}

// ---------------------------------------------------------------------------------------------
// Crosshair previews: a small outdoor scene seen over a rifle, crosshair in the middle.

enum class Setting { Village, Desert, Snow, Dusk };

struct Palette
{
    QColor skyTop, skyHorizon, hillFar, hillNear, ground, groundSpeck;
};

Palette paletteFor(Setting setting)
{
    switch (setting) {
    case Setting::Village:
        return {QColor(70, 120, 190), QColor(196, 215, 230), QColor(128, 146, 160),
                QColor(84, 108, 74), QColor(92, 112, 58), QColor(110, 128, 70)};
    case Setting::Desert:
        return {QColor(88, 140, 200), QColor(226, 218, 196), QColor(186, 160, 128),
                QColor(170, 132, 90), QColor(196, 164, 112), QColor(176, 144, 96)};
    case Setting::Snow:
        return {QColor(120, 136, 156), QColor(206, 212, 220), QColor(150, 160, 172),
                QColor(118, 128, 138), QColor(220, 224, 230), QColor(196, 202, 212)};
    case Setting::Dusk:
        return {QColor(44, 52, 92), QColor(222, 146, 92), QColor(92, 70, 86),
                QColor(52, 44, 52), QColor(70, 60, 48), QColor(86, 74, 58)};
    }
    return {};
}

// A ridge line across the picture from left to right, built from a few random midpoints.
QPainterPath ridge(int width, int bottom, double baseY, double roughness,
                   QRandomGenerator &random)
{
    QPainterPath path;
    path.moveTo(0, bottom);
    const int steps = 9;
    for (int i = 0; i <= steps; ++i) {
        const double x = width * double(i) / steps;
        const double y = baseY - random.bounded(roughness);
        path.lineTo(x, y);
    }
    path.lineTo(width, bottom);
    path.closeSubpath();
    return path;
}

void drawSky(QPainter &p, const QSize &size, int horizon, const Palette &colors,
             QRandomGenerator &random, bool clouds)
{
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, colors.skyTop);
    sky.setColorAt(1, colors.skyHorizon);
    p.fillRect(QRect(0, 0, size.width(), horizon + 1), sky);
    if (!clouds)
        return;
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        const double cx = random.bounded(size.width());
        const double cy = 8 + random.bounded(horizon / 2.0);
        for (int k = 0; k < 4; ++k) {
            QColor c(255, 255, 255, 40 + int(random.bounded(30)));
            p.setBrush(c);
            p.drawEllipse(QPointF(cx + k * 7 - 10, cy + random.bounded(4.0)),
                          9 + random.bounded(6.0), 3 + random.bounded(3.0));
        }
    }
}

void drawHouse(QPainter &p, double x, double ground, double w, double h, const QColor &wall,
               const QColor &roof, QRandomGenerator &random)
{
    p.setPen(Qt::NoPen);
    p.setBrush(wall);
    p.drawRect(QRectF(x, ground - h, w, h));
    QPolygonF roofShape;
    roofShape << QPointF(x - 2, ground - h) << QPointF(x + w / 2, ground - h - w * 0.45)
              << QPointF(x + w + 2, ground - h);
    p.setBrush(roof);
    p.drawPolygon(roofShape);
    p.setBrush(wall.darker(220));
    const int windows = int(w / 7);
    for (int i = 0; i < windows; ++i) {
        if (random.bounded(3) == 0)
            continue;
        p.drawRect(QRectF(x + 2 + i * 7, ground - h + 3, 3, 3));
    }
}

void drawPine(QPainter &p, double x, double ground, double h, const QColor &color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color.darker(150));
    p.drawRect(QRectF(x - 1, ground - h * 0.25, 2, h * 0.25));
    p.setBrush(color);
    for (int tier = 0; tier < 3; ++tier) {
        const double top = ground - h + tier * h * 0.22;
        const double halfWidth = h * (0.18 + tier * 0.07);
        QPolygonF t;
        t << QPointF(x, top) << QPointF(x + halfWidth, top + h * 0.4)
          << QPointF(x - halfWidth, top + h * 0.4);
        p.drawPolygon(t);
    }
}

// A stone wall in the foreground on one side of the picture, blocks in staggered rows.
void drawWall(QPainter &p, const QRect &area, const QColor &stone, QRandomGenerator &random)
{
    p.save();
    p.setClipRect(area);
    p.fillRect(area, stone.darker(160));
    const int rowHeight = 9;
    for (int row = 0; area.top() + row * rowHeight < area.bottom(); ++row) {
        const int y = area.top() + row * rowHeight;
        int x = area.left() - (row % 2 ? 7 : 0);
        while (x < area.right()) {
            const int w = 12 + int(random.bounded(6));
            const QRect block(x + 1, y + 1, w - 1, rowHeight - 1);
            QLinearGradient shade(block.topLeft(), block.bottomLeft());
            const QColor c = jitter(stone, 14, random);
            shade.setColorAt(0, c.lighter(112));
            shade.setColorAt(1, c.darker(115));
            p.fillRect(block, shade);
            x += w;
        }
    }
    speckle(p, area, stone, area.width() * area.height() / 12, 22, random);
    p.restore();
}

void drawRuin(QPainter &p, double x, double ground, double w, double h, const QColor &color,
              QRandomGenerator &random)
{
    QPolygonF shape;
    shape << QPointF(x, ground) << QPointF(x, ground - h * 0.8)
          << QPointF(x + w * 0.3, ground - h) << QPointF(x + w * 0.45, ground - h * 0.7)
          << QPointF(x + w * 0.7, ground - h * 0.85) << QPointF(x + w, ground - h * 0.4)
          << QPointF(x + w, ground);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(shape);
    p.setBrush(color.darker(170));
    for (int i = 0; i < 3; ++i) {
        const double wx = x + 3 + random.bounded(std::max(1.0, w - 8));
        p.drawRect(QRectF(wx, ground - h * 0.55, 3, 5));
    }
}

// The player's rifle, low on the right, pointing into the picture.
void drawRifle(QPainter &p, const QSize &size)
{
    const double w = size.width();
    const double h = size.height();
    p.save();
    p.setPen(Qt::NoPen);

    QPolygonF stock; // wooden handguard under the barrel
    stock << QPointF(w * 0.63, h - 31) << QPointF(w * 0.72, h - 34) << QPointF(w * 0.93, h)
          << QPointF(w * 0.62, h);
    QLinearGradient wood(w * 0.6, 0, w * 0.95, 0);
    wood.setColorAt(0, QColor(92, 58, 30));
    wood.setColorAt(0.5, QColor(128, 82, 42));
    wood.setColorAt(1, QColor(70, 42, 22));
    p.setBrush(wood);
    p.drawPolygon(stock);

    QPolygonF barrel;
    barrel << QPointF(w * 0.655, h - 48) << QPointF(w * 0.69, h - 49) << QPointF(w * 0.75, h - 30)
           << QPointF(w * 0.66, h - 28);
    QLinearGradient metal(w * 0.64, 0, w * 0.76, 0);
    metal.setColorAt(0, QColor(40, 42, 46));
    metal.setColorAt(0.45, QColor(96, 100, 108));
    metal.setColorAt(1, QColor(28, 30, 32));
    p.setBrush(metal);
    p.drawPolygon(barrel);
    p.setBrush(QColor(24, 24, 26));
    p.drawRect(QRectF(w * 0.665, h - 53, 3, 5)); // front sight

    // Metal bands holding the handguard to the barrel.
    p.setBrush(QColor(52, 54, 58));
    for (const double t : {0.35, 0.75}) {
        const double y = h - 31 + 31 * t;
        const double left = w * 0.63 - (w * 0.01) * t;
        const double right = w * 0.72 + (w * 0.21) * t;
        p.drawRect(QRectF(left, y, right - left, 2.5));
    }
    p.restore();
}

// Crosshair shapes, drawn white with a dark rim, centred on the pixel at centre.
void drawCrosshair(QPainter &p, int style, QPoint centre)
{
    // Unsmoothed strokes land on whole coordinates, smoothed ones on pixel centres.
    const QPointF c(centre);
    const QPointF mid = c + QPointF(0.5, 0.5);
    QPainterPath lines; // stroked, one pixel
    QPainterPath rings; // stroked, smoothed
    QPainterPath dots;  // filled
    auto line = [&](double x1, double y1, double x2, double y2) {
        lines.moveTo(c + QPointF(x1, y1));
        lines.lineTo(c + QPointF(x2, y2));
    };
    auto dot = [&](double r) { dots.addEllipse(mid, r, r); };
    auto ring = [&](double r) { rings.addEllipse(mid, r, r); };

    switch (style) {
    case 1: // plain cross
        line(-11, 0, 11, 0);
        line(0, -11, 0, 11);
        break;
    case 2: // dot
        dot(2.5);
        break;
    case 3: // circle
        ring(8);
        break;
    case 4: // cross with open centre
        line(-12, 0, -4, 0);
        line(4, 0, 12, 0);
        line(0, -12, 0, -4);
        line(0, 4, 0, 12);
        break;
    case 5: // open cross with a dot
        line(-12, 0, -5, 0);
        line(5, 0, 12, 0);
        line(0, -12, 0, -5);
        line(0, 5, 0, 12);
        dot(1.5);
        break;
    case 6: // brackets
        line(-10, -7, -13, -7);
        line(-13, -7, -13, 7);
        line(-13, 7, -10, 7);
        line(10, -7, 13, -7);
        line(13, -7, 13, 7);
        line(13, 7, 10, 7);
        dot(1.5);
        break;
    case 7: // circle with dot
        ring(7);
        dot(1.5);
        break;
    case 8: // diagonal cross
        line(-9, -9, -3, -3);
        line(3, 3, 9, 9);
        line(9, -9, 3, -3);
        line(-3, 3, -9, 9);
        break;
    case 9: // T: no upper arm, so the target stays clear above the aim point
        line(-12, 0, -4, 0);
        line(4, 0, 12, 0);
        line(0, 4, 0, 12);
        dot(1.5);
        break;
    case 10: // circle with ticks outside it
        ring(6);
        line(-13, 0, -8, 0);
        line(8, 0, 13, 0);
        line(0, -13, 0, -8);
        line(0, 8, 0, 13);
        break;
    }

    // Straight strokes are drawn without smoothing so they stay one sharp pixel wide; rings and
    // dots need it to look round at this size.
    const QColor rim(0, 0, 0, 140);
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(rim, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(lines);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(rim, 3.2));
    p.drawPath(rings);
    p.setPen(QPen(rim, 2));
    p.setBrush(rim);
    p.drawPath(dots);

    p.setBrush(Qt::NoBrush);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::white, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(lines);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::white, 1.4));
    p.drawPath(rings);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(dots);
    p.restore();
}

QImage crosshairPicture(int style, const QSize &size)
{
    static const Setting settings[] = {Setting::Village, Setting::Desert, Setting::Snow,
                                       Setting::Dusk};
    const Setting setting = settings[(style - 1) % 4];
    const Palette colors = paletteFor(setting);
    QRandomGenerator random(quint32(1000 + style));

    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = size.width();
    const int h = size.height();
    const int horizon = h * 47 / 100 + int(random.bounded(6));

    drawSky(p, size, horizon, colors, random, setting != Setting::Dusk);
    if (setting == Setting::Dusk) {
        // Low sun behind the hills.
        QRadialGradient sun(QPointF(w * 0.3, horizon - 4), 26);
        sun.setColorAt(0, QColor(255, 226, 160, 230));
        sun.setColorAt(1, QColor(255, 180, 110, 0));
        p.fillRect(QRect(0, 0, w, horizon), sun);
    }

    p.setPen(Qt::NoPen);
    p.setBrush(colors.hillFar);
    p.drawPath(ridge(w, horizon + 2, horizon - 8, 16, random));
    p.setBrush(colors.hillNear);
    p.drawPath(ridge(w, horizon + 4, horizon + 1, 9, random));

    // Ground, then whatever stands on it.
    const QRect groundArea(0, horizon, w, h - horizon);
    QLinearGradient ground(0, horizon, 0, h);
    ground.setColorAt(0, colors.ground.darker(112));
    ground.setColorAt(1, colors.ground.lighter(108));
    p.fillRect(groundArea, ground);
    p.save();
    p.setClipRect(groundArea);
    const int speckAmount = setting == Setting::Snow ? 7 : 18;
    speckle(p, groundArea, colors.groundSpeck, w * (h - horizon) / 5, speckAmount, random);
    p.restore();

    const double base = horizon + 3;
    switch (setting) {
    case Setting::Village:
        drawHouse(p, 14 + random.bounded(10), base, 26, 16, QColor(214, 204, 180),
                  QColor(150, 62, 46), random);
        drawHouse(p, 92 + random.bounded(12), base + 1, 34, 19, QColor(196, 188, 166),
                  QColor(128, 56, 44), random);
        drawPine(p, 52, base, 22, QColor(46, 74, 44));
        drawPine(p, 134, base, 18, QColor(52, 80, 46));
        break;
    case Setting::Desert:
        drawRuin(p, 18, base, 30, 20, QColor(196, 168, 124), random);
        drawWall(p, QRect(int(w * 0.72), horizon - 22, w, h), QColor(204, 176, 128), random);
        break;
    case Setting::Snow:
        for (int i = 0; i < 7; ++i) {
            const double x = 8 + i * 22 + random.bounded(8);
            if (qAbs(x - w / 2.0) < 16) // keep the aim point clear
                continue;
            drawPine(p, x, base, 16 + random.bounded(12), QColor(38, 62, 50));
        }
        break;
    case Setting::Dusk:
        drawRuin(p, 6, base, 40, 30, QColor(40, 34, 40), random);
        drawRuin(p, 100, base, 36, 24, QColor(46, 38, 44), random);
        drawWall(p, QRect(0, horizon + 14, 34, h), QColor(104, 92, 80), random);
        break;
    }

    drawRifle(p, size);
    drawCrosshair(p, style, QPoint(w / 2, h / 2));
    return image;
}

// ---------------------------------------------------------------------------------------------
// Class banners: an emblem on the left and the class name, on a dark ground.

enum class Emblem { Soldier, Medic, Engineer, FieldOps, CovertOps };

const QColor kEmblemLight(224, 198, 120);
const QColor kEmblemDark(150, 122, 60);

void drawEmblem(QPainter &p, Emblem emblem, const QRectF &box)
{
    p.save();
    p.translate(box.center());
    p.setPen(Qt::NoPen);
    QLinearGradient brass(0, -10, 0, 10);
    brass.setColorAt(0, kEmblemLight);
    brass.setColorAt(1, kEmblemDark);

    switch (emblem) {
    case Emblem::Soldier: { // three rifle rounds standing side by side
        for (int i = -1; i <= 1; ++i) {
            const double x = i * 6.5;
            QPainterPath round;
            round.moveTo(x - 2.5, 9);
            round.lineTo(x - 2.5, -2);
            round.quadTo(x - 2.5, -9, x, -10);
            round.quadTo(x + 2.5, -9, x + 2.5, -2);
            round.lineTo(x + 2.5, 9);
            round.closeSubpath();
            p.setBrush(brass);
            p.drawPath(round);
            p.setBrush(QColor(120, 84, 40));
            p.drawRect(QRectF(x - 2.5, 3, 5, 1.2)); // where the bullet meets the case
        }
        break;
    }
    case Emblem::Medic: { // white plus on a green square
        p.setBrush(QColor(52, 136, 72));
        p.drawRoundedRect(QRectF(-10, -10, 20, 20), 3, 3);
        p.setBrush(QColor(240, 240, 232));
        p.drawRect(QRectF(-2.5, -7, 5, 14));
        p.drawRect(QRectF(-7, -2.5, 14, 5));
        break;
    }
    case Emblem::Engineer: { // gear wheel
        QPainterPath gear;
        gear.addEllipse(QPointF(0, 0), 7.5, 7.5);
        const int teeth = 8;
        for (int i = 0; i < teeth; ++i) {
            QPainterPath tooth;
            tooth.addRect(QRectF(-2.2, -10.5, 4.4, 5));
            gear = gear.united(QTransform().rotate(360.0 * i / teeth).map(tooth));
        }
        QPainterPath hole;
        hole.addEllipse(QPointF(0, 0), 3.2, 3.2);
        p.setBrush(brass);
        p.drawPath(gear.subtracted(hole));
        break;
    }
    case Emblem::FieldOps: { // binoculars
        p.setBrush(brass);
        p.drawRoundedRect(QRectF(-9.5, -6, 8, 15), 2.5, 2.5);
        p.drawRoundedRect(QRectF(1.5, -6, 8, 15), 2.5, 2.5);
        p.drawRect(QRectF(-2, -3, 4, 4));
        p.setBrush(QColor(30, 40, 52));
        p.drawEllipse(QPointF(-5.5, 5), 2.6, 2.6);
        p.drawEllipse(QPointF(5.5, 5), 2.6, 2.6);
        p.setBrush(QColor(110, 150, 190));
        p.drawEllipse(QPointF(-6.2, 4.3), 0.9, 0.9);
        p.drawEllipse(QPointF(4.8, 4.3), 0.9, 0.9);
        break;
    }
    case Emblem::CovertOps: { // dagger, point up
        p.rotate(20);
        QPolygonF blade;
        blade << QPointF(0, -11) << QPointF(2.4, -6) << QPointF(2.2, 3) << QPointF(-2.2, 3)
              << QPointF(-2.4, -6);
        QLinearGradient steel(-2.5, 0, 2.5, 0);
        steel.setColorAt(0, QColor(236, 238, 240));
        steel.setColorAt(1, QColor(150, 156, 164));
        p.setBrush(steel);
        p.drawPolygon(blade);
        p.setBrush(brass);
        p.drawRoundedRect(QRectF(-6, 3, 12, 2.4), 1, 1); // guard
        p.setBrush(QColor(84, 56, 34));
        p.drawRect(QRectF(-1.6, 5.4, 3.2, 5)); // grip
        p.setBrush(brass);
        p.drawEllipse(QPointF(0, 11.2), 2, 1.6); // pommel
        break;
    }
    }
    p.restore();
}

QFont bannerFont()
{
    for (const char *family : {"DejaVu Sans", "Liberation Sans"}) {
        QFont font(QString::fromLatin1(family));
        font.setBold(true);
        font.setStyleStrategy(QFont::PreferAntialias);
        if (QFontInfo(font).family() == QLatin1String(family))
            return font;
    }
    return QFont();
}

QImage bannerPicture(Emblem emblem, const QString &name, const QFont &baseFont)
{
    const QSize size(100, 27);
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient ground(0, 0, 0, size.height());
    ground.setColorAt(0, QColor(46, 48, 38));
    ground.setColorAt(1, QColor(20, 21, 16));
    p.fillRect(image.rect(), ground);
    p.setPen(QColor(92, 92, 70));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1));

    drawEmblem(p, emblem, QRectF(2, 1, 25, 25));

    // The longest name ("COVERT OPS") sets one size for all, so the banners match side by side.
    const QRectF textArea(29, 0, size.width() - 31, size.height());
    QFont font = baseFont;
    for (int px = 12; px >= 7; --px) {
        font.setPixelSize(px);
        if (QFontMetricsF(font).horizontalAdvance(QStringLiteral("COVERT OPS")) <= textArea.width())
            break;
    }
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 170));
    p.drawText(textArea.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, name);
    p.setPen(QColor(236, 226, 196));
    p.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter, name);
    return image;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
        QTextStream(stderr) << "makepictures: cannot write " << path << ": "
                            << file.errorString() << '\n';
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing text needs the GUI module, but never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc != 2) {
        QTextStream(stderr) << "usage: makepictures <output folder>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        QTextStream(stderr) << "makepictures: cannot create " << out.path() << '\n';
        return 1;
    }

    const QFont font = bannerFont();
    if (!QFontInfo(font).bold()) {
        QTextStream(stderr) << "makepictures: needs DejaVu Sans Bold or Liberation Sans Bold\n";
        return 1;
    }

    // Preview heights per style; the window's picture boxes are laid out around these sizes.
    static const int heights[10] = {139, 139, 140, 140, 140, 144, 139, 136, 137, 143};
    bool ok = true;
    for (int style = 1; style <= 10; ++style) {
        const QImage picture = crosshairPicture(style, QSize(156, heights[style - 1]));
        ok &= writeFile(out.filePath(QStringLiteral("crosshair%1.jpg").arg(style)),
                        encodeBaselineJpeg(picture));
    }

    const struct
    {
        Emblem emblem;
        const char *file;
        const char *name;
    } banners[] = {
        {Emblem::Soldier, "soldier.jpg", "SOLDIER"},
        {Emblem::Medic, "medic.jpg", "MEDIC"},
        {Emblem::Engineer, "engineer.jpg", "ENGINEER"},
        {Emblem::FieldOps, "fieldops.jpg", "FIELD OPS"},
        {Emblem::CovertOps, "covertops.jpg", "COVERT OPS"},
    };
    for (const auto &banner : banners) {
        const QImage picture = bannerPicture(banner.emblem, QString::fromLatin1(banner.name), font);
        ok &= writeFile(out.filePath(QString::fromLatin1(banner.file)),
                        encodeBaselineJpeg(picture));
    }
    return ok ? 0 : 1;
}
