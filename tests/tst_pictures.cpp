// JPEG decoding, the picture-format registry, the program's stored pictures and the picture box.

#include "gui/jpeg.h"
#include "gui/picturebox.h"
#include "gui/pictureformats.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readResource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

DecodeResult decode(const QByteArray &data)
{
    return decodeJpeg(reinterpret_cast<const unsigned char *>(data.constData()),
                      std::size_t(data.size()));
}

// The marker of the first frame header (0xC0 baseline, 0xC1 extended, 0xC2 progressive, ...),
// found by walking the marker segments from the start of the file; -1 if there is none.
int frameMarker(const QByteArray &data)
{
    auto byte = [&](qsizetype i) { return int(uchar(data.at(i))); };
    if (data.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return -1;
    qsizetype pos = 2;
    while (pos + 4 <= data.size()) {
        if (byte(pos) != 0xFF)
            return -1;
        const int marker = byte(pos + 1);
        if (marker == 0xFF) { // fill byte
            ++pos;
            continue;
        }
        const bool isFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4
                             && marker != 0xC8 && marker != 0xCC;
        if (isFrame)
            return marker;
        if (marker == 0xDA) // scan data before any frame header
            return -1;
        pos += 2 + ((byte(pos + 2) << 8) | byte(pos + 3));
    }
    return -1;
}

// Offset of the first frame header's marker, for damaging it on purpose.
qsizetype frameOffset(const QByteArray &data)
{
    const int marker = frameMarker(data);
    return marker < 0 ? -1 : data.indexOf(QByteArray("\xFF") + char(marker));
}

QImage renderOnto(QWidget &widget, const QColor &backdrop)
{
    QImage canvas(widget.size(), QImage::Format_RGB32);
    canvas.fill(backdrop);
    widget.render(&canvas, QPoint(), QRegion(), QWidget::RenderFlags());
    return canvas;
}

bool allPixels(const QImage &image, const QColor &color)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != color)
                return false;
        }
    }
    return true;
}

bool closeTo(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}

// A decoder that counts its calls, to see when the picture box decodes.
int probeDecodes = 0;
DecodeResult probeDecoder(const unsigned char *, std::size_t)
{
    ++probeDecodes;
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    return {image, QString()};
}

const QColor kBackdrop(255, 0, 255);

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void init() { registerJpegFormats(); }
    void cleanup() { unregisterJpegFormats(); }

    void storedPicturesAreBaselineJpegOfTheirSize_data();
    void storedPicturesAreBaselineJpegOfTheirSize();
    void decodesColourAndGreyPictures();
    void damagedDataGivesAnError_data();
    void damagedDataGivesAnError();
    void registryHoldsTheJpegFormats();

    void pictureBoxDrawsUnscaledFromTopLeft();
    void pictureBoxDecodesOnFirstPaintOnly();
    void pictureBoxWithBadSourceDrawsNothing_data();
    void pictureBoxWithBadSourceDrawsNothing();
};

void TestPictures::storedPicturesAreBaselineJpegOfTheirSize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    const int heights[10] = {139, 139, 140, 140, 140, 144, 139, 136, 137, 143};
    for (int style = 1; style <= 10; ++style) {
        const QString name = QStringLiteral("crosshair%1.jpg").arg(style);
        QTest::newRow(qPrintable(name)) << name << QSize(156, heights[style - 1]);
    }
    for (const char *name : {"soldier.jpg", "medic.jpg", "engineer.jpg", "fieldops.jpg",
                             "covertops.jpg"})
        QTest::newRow(name) << QString::fromLatin1(name) << QSize(100, 27);
}

void TestPictures::storedPicturesAreBaselineJpegOfTheirSize()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);

    const QByteArray data = readResource(QStringLiteral(":/pictures/") + name);
    QVERIFY2(!data.isEmpty(), "picture missing from the resources");
    QCOMPARE(frameMarker(data), 0xC0);

    const PictureFormat *format = findPictureFormat(QStringLiteral("jpg"));
    QVERIFY(format);
    const DecodeResult result =
        format->decoder(reinterpret_cast<const unsigned char *>(data.constData()),
                        std::size_t(data.size()));
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.image.size(), size);
}

void TestPictures::decodesColourAndGreyPictures()
{
    // Odd sizes catch row-stride mistakes; the halves are 8-pixel aligned so that JPEG blocks
    // keep their colours clean.
    QImage colour(13, 7, QImage::Format_RGB32);
    colour.fill(QColor(220, 30, 30));
    for (int y = 0; y < colour.height(); ++y) {
        for (int x = 8; x < colour.width(); ++x)
            colour.setPixelColor(x, y, QColor(30, 40, 210));
    }
    QImage grey(9, 5, QImage::Format_Grayscale8);
    grey.fill(QColor(90, 90, 90));

    for (const QImage &source : {colour, grey}) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(95);
        if (!writer.write(source))
            QSKIP("Qt's JPEG writer is not installed");

        const DecodeResult result = decode(buffer.data());
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.image.size(), source.size());
        for (const QPoint p : {QPoint(2, 3), QPoint(source.width() - 2, source.height() - 2)}) {
            const QColor got = result.image.pixelColor(p);
            const QColor want = source.pixelColor(p);
            QVERIFY2(closeTo(got, want, 12),
                     qPrintable(QStringLiteral("(%1,%2): got %3, want %4")
                                    .arg(p.x()).arg(p.y()).arg(got.name(), want.name())));
        }
    }
}

void TestPictures::damagedDataGivesAnError_data()
{
    QTest::addColumn<QByteArray>("data");

    const QByteArray good = readResource(QStringLiteral(":/pictures/crosshair1.jpg"));
    const qsizetype frame = frameOffset(good);
    QVERIFY(good.size() > 1000 && frame > 0);

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << QByteArray("this is not a picture at all, just text");
    QTest::newRow("only the start marker") << good.left(2);
    QTest::newRow("truncated in the headers") << good.left(frame + 6);
    QTest::newRow("truncated in the picture data") << good.left(good.size() / 2);
    QTest::newRow("missing end marker") << good.left(good.size() - 2);

    QByteArray badStart = good;
    badStart[0] = 'X';
    QTest::newRow("start marker overwritten") << badStart;

    // Frame header: marker, length (2), precision, height (2), width (2), components.
    QByteArray zeroWidth = good;
    zeroWidth[frame + 7] = 0;
    zeroWidth[frame + 8] = 0;
    QTest::newRow("zero width") << zeroWidth;

    QByteArray badPrecision = good;
    badPrecision[frame + 4] = 3;
    QTest::newRow("bad sample precision") << badPrecision;

    QByteArray badComponents = good;
    badComponents[frame + 9] = 0;
    QTest::newRow("no colour components") << badComponents;
}

void TestPictures::damagedDataGivesAnError()
{
    QFETCH(QByteArray, data);

    const DecodeResult result = decode(data);
    QVERIFY(!result.ok());
    QVERIFY(result.image.isNull());
    QVERIFY2(result.error.startsWith(QLatin1String("Cannot decode JPEG picture: ")),
             qPrintable(result.error));
    // libjpeg's own reason follows the prefix.
    QVERIFY2(result.error.size() > 30, qPrintable(result.error));
}

void TestPictures::registryHoldsTheJpegFormats()
{
    auto count = [](const QString &extension) {
        int n = 0;
        for (const PictureFormat &format : pictureFormats())
            n += format.extension == extension;
        return n;
    };

    registerJpegFormats(); // a second registration replaces, never duplicates
    for (const QString &extension : {QStringLiteral("jpeg"), QStringLiteral("jpg")}) {
        QCOMPARE(count(extension), 1);
        const PictureFormat *format = findPictureFormat(extension);
        QVERIFY(format);
        QCOMPARE(format->description, QStringLiteral("JPEG Image File"));
        QVERIFY(format->decoder == &decodeJpeg);
        QCOMPARE(findPictureFormat(extension.toUpper()), format);
    }
    QVERIFY(!findPictureFormat(QStringLiteral("png")));
    QVERIFY(!findPictureFormat(QStringLiteral(".jpg")));

    unregisterJpegFormats();
    QVERIFY(!findPictureFormat(QStringLiteral("jpeg")));
    QVERIFY(!findPictureFormat(QStringLiteral("jpg")));
    QCOMPARE(count(QStringLiteral("jpeg")) + count(QStringLiteral("jpg")), 0);
}

void TestPictures::pictureBoxDrawsUnscaledFromTopLeft()
{
    // The preview box is wider but shorter than its picture: the picture is cut at the bottom
    // and the columns to its right keep whatever lies behind the box.
    PictureBox box;
    box.resize(161, 137);
    box.setSource(QStringLiteral(":/pictures/crosshair1.jpg"));
    const QImage picture = box.image().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(picture.size(), QSize(156, 139));

    const QImage drawn = renderOnto(box, kBackdrop);
    QCOMPARE(drawn.copy(0, 0, 156, 137), picture.copy(0, 0, 156, 137));
    QVERIFY(allPixels(drawn.copy(156, 0, 5, 137), kBackdrop));
    QVERIFY(box.errorString().isEmpty());
}

void TestPictures::pictureBoxDecodesOnFirstPaintOnly()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char *name : {"a.probe", "b.probe"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    registerPictureFormat(QStringLiteral("probe"), QStringLiteral("Probe"), probeDecoder);
    probeDecodes = 0;

    PictureBox box;
    box.resize(10, 10);
    box.setSource(dir.filePath(QStringLiteral("a.probe")));
    QCOMPARE(probeDecodes, 0);
    renderOnto(box, kBackdrop);
    renderOnto(box, kBackdrop);
    QCOMPARE(probeDecodes, 1);

    box.setSource(dir.filePath(QStringLiteral("b.probe")));
    QCOMPARE(probeDecodes, 1);
    const QImage drawn = renderOnto(box, kBackdrop);
    QCOMPARE(probeDecodes, 2);
    QCOMPARE(drawn.pixelColor(3, 2), QColor(Qt::red));
    QCOMPARE(drawn.pixelColor(4, 2), kBackdrop);

    unregisterPictureFormat(QStringLiteral("probe"));
}

void TestPictures::pictureBoxWithBadSourceDrawsNothing_data()
{
    QTest::addColumn<QString>("fileName"); // written into a temporary folder when not empty
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("source"); // used as is when fileName is empty
    QTest::addColumn<QString>("expectedError");

    QTest::newRow("missing resource")
        << QString() << QByteArray() << QStringLiteral(":/pictures/missing.jpg")
        << QStringLiteral("Cannot read picture :/pictures/missing.jpg");
    QTest::newRow("damaged JPEG") << QStringLiteral("damaged.jpg")
                                  << QByteArray("\xFF\xD8\xFF\xE0 not really a picture")
                                  << QString() << QStringLiteral("Cannot decode JPEG picture: ");
    QTest::newRow("unknown format") << QStringLiteral("picture.png") << QByteArray("png")
                                    << QString() << QStringLiteral("No picture format");
}

void TestPictures::pictureBoxWithBadSourceDrawsNothing()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, source);
    QFETCH(QString, expectedError);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (!fileName.isEmpty()) {
        source = dir.filePath(fileName);
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    PictureBox box;
    box.resize(50, 40);
    box.setSource(source);

    // Reported once, however often the box is painted.
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^")
                                            + QRegularExpression::escape(expectedError)));
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    QVERIFY(allPixels(renderOnto(box, kBackdrop), kBackdrop));
    QVERIFY(allPixels(renderOnto(box, kBackdrop), kBackdrop));

    QVERIFY2(box.errorString().startsWith(expectedError), qPrintable(box.errorString()));
    QVERIFY(box.image().isNull());
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
