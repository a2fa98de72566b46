// What the windows look like, read from grabs of the real widgets: captions set into their group
// box frames, headings drawn whole with their underline, titles and outer sizes as designed.
#include "support/windowfixture.h"
#include "gui/groupboxstyle.h"

#include <QGroupBox>
#include <QLabel>
#include <QTest>

namespace {

// A pixel that is part of a line or a glyph rather than the background.
bool dark(QRgb pixel)
{
    return qGray(pixel) < 160;
}

// The rows of an image in which any pixel of the given columns is dark.
QList<int> darkRows(const QImage &image, int left, int right)
{
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = std::max(0, left); x <= std::min(right, image.width() - 1); ++x) {
            if (dark(image.pixel(x, y))) {
                rows << y;
                break;
            }
        }
    }
    return rows;
}

// The first row, from the top, at which column x differs from the background.
int firstMarkedRow(const QImage &image, int x, QRgb background, int from, int to)
{
    for (int y = from; y <= to && y < image.height(); ++y) {
        if (std::abs(qGray(image.pixel(x, y)) - qGray(background)) > 20)
            return y;
    }
    return -1;
}

} // namespace

class TestAppearance : public QObject
{
    Q_OBJECT

private slots:
    // The frame's top line runs through the middle of the caption, and no control or text of the
    // box reaches up into that line.
    void groupBoxCaptionsSitInTheFrameLine()
    {
        WindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        const QList<QGroupBox *> boxes = f.window->findChildren<QGroupBox *>();
        QCOMPARE(boxes.size(), 16);
        for (QGroupBox *box : boxes) {
            const QString name = box->objectName();
            const QImage image = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QRgb background = box->palette().color(QPalette::Window).rgb();
            const QFontMetrics metrics(box->font());
            const int lineRow = GroupBoxStyle::frameTop(metrics);

            // The line itself, seen in a column that no control of this box covers.
            int column = box->title().isEmpty() ? 4 : metrics.horizontalAdvance(box->title()) + 16;
            for (const QWidget *child : box->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (child->geometry().left() <= column && child->geometry().right() >= column && child->y() < 20)
                    column = child->geometry().right() + 3;
            }
            QVERIFY2(column < box->width() - 4, qPrintable(name));
            QCOMPARE(firstMarkedRow(image, column, background, 0, 20), lineRow);

            if (!box->title().isEmpty()) {
                // The caption's rows, read where its text is drawn.
                QList<int> rows;
                for (int y = 0; y < 20; ++y) {
                    for (int x = 8; x < 8 + metrics.horizontalAdvance(box->title()); ++x) {
                        if (dark(image.pixel(x, y))) {
                            rows << y;
                            break;
                        }
                    }
                }
                QVERIFY2(!rows.isEmpty(), qPrintable(name));
                const double middle = (rows.first() + rows.last()) / 2.0;
                QVERIFY2(rows.first() < lineRow && lineRow < rows.last() && std::abs(lineRow - middle) <= 1.5,
                         qPrintable(QString("%1: caption rows %2..%3, frame line %4")
                                        .arg(name).arg(rows.first()).arg(rows.last()).arg(lineRow)));
            }

            // Controls and texts start below the line (a nested box shares its parent's line).
            for (const QWidget *child : box->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (qobject_cast<const QGroupBox *>(child) || child->isHidden())
                    continue;
                if (const auto *line = qobject_cast<const QFrame *>(child); line && line->frameShape() == QFrame::VLine)
                    continue; // the column dividers are drawn across the frame by design
                QVERIFY2(child->y() > lineRow + 1,
                         qPrintable(QString("%1 in %2 starts at row %3").arg(child->objectName(), name).arg(child->y())));
            }
        }
    }

    // The designed size of the key picker is its outer size, frame included.
    void keyPickerOuterSizeIsAsDesigned()
    {
        WindowFixture f;
        f.window->btnSelectKeyClick(1);
        QVERIFY(QTest::qWaitForWindowExposed(f.picker.get()));
        QTRY_COMPARE(f.picker->frameGeometry().size(), QSize(983, 435));
        QCOMPARE(f.picker->frameGeometry().topLeft(), QPoint(136, 245));
        // Hidden and shown again, it keeps the size.
        f.picker->hide();
        f.window->btnSelectKeyClick(2);
        QVERIFY(QTest::qWaitForWindowExposed(f.picker.get()));
        QCOMPARE(f.picker->frameGeometry().size(), QSize(983, 435));
    }

    void headingsShowTheirUnderlineInsideTheirBox_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("lblQuality") << "lblQuality";
        QTest::newRow("lblFPS") << "lblFPS";
    }

    void headingsShowTheirUnderlineInsideTheirBox()
    {
        QFETCH(QString, name);
        WindowFixture f;
        auto *label = f.get<QLabel>(qPrintable(name));
        QCOMPARE(label->size(), QSize(label->width(), 13));
        const QImage image = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const int textWidth = label->fontMetrics().horizontalAdvance(label->text());
        // The underline is a row dark across nearly the whole text; glyph rows are broken by gaps.
        int underline = -1;
        for (int y = 0; y < image.height(); ++y) {
            int run = 0;
            for (int x = 0; x < textWidth && x < image.width(); ++x)
                run += dark(image.pixel(x, y)) ? 1 : 0;
            if (run >= textWidth * 9 / 10)
                underline = y;
        }
        QVERIFY2(underline >= 0, "no underline row in the grab");
        // Nothing of the text is cut off at the top: the first row is clear, the text starts below.
        const QList<int> rows = darkRows(image, 0, textWidth);
        QVERIFY(!rows.isEmpty());
        QCOMPARE(underline, rows.last());
        // The tallest glyph still has its top row: the grab's ink is as tall as the font's.
        const QRect ink = label->fontMetrics().tightBoundingRect(label->text());
        QVERIFY2(rows.last() - rows.first() + 1 >= ink.height(), qPrintable(QString("ink rows %1..%2, font ink %3").arg(rows.first()).arg(rows.last()).arg(ink.height())));
    }
};

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
