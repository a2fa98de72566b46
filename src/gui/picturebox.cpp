#include "gui/picturebox.h"

#include "gui/pictureformats.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QtDebug>

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent)
{
}

void PictureBox::setSource(const QString &source)
{
    if (source == m_source)
        return;
    m_source = source;
    m_decoded = false;
    m_image = QImage();
    m_error.clear();
    update();
}

QImage PictureBox::image() const
{
    ensureDecoded();
    return m_image;
}

QString PictureBox::errorString() const
{
    ensureDecoded();
    return m_error;
}

void PictureBox::ensureDecoded() const
{
    if (m_decoded)
        return;
    m_decoded = true;
    if (m_source.isEmpty())
        return;

    const PictureFormat *format = findPictureFormat(QFileInfo(m_source).suffix());
    QFile file(m_source);
    if (!format) {
        m_error = QStringLiteral("No picture format is registered for %1").arg(m_source);
    } else if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Cannot read picture %1: %2").arg(m_source, file.errorString());
    } else {
        const QByteArray data = file.readAll();
        DecodeResult result =
            format->decoder(reinterpret_cast<const unsigned char *>(data.constData()),
                            std::size_t(data.size()));
        m_image = result.image;
        m_error = result.error;
        if (m_error.isEmpty() && m_image.isNull())
            m_error = QStringLiteral("Picture %1 is empty").arg(m_source);
        else if (!m_error.isEmpty())
            m_error = QStringLiteral("%1 (%2)").arg(m_error, m_source);
    }
    if (!m_error.isEmpty()) {
        m_image = QImage();
        // Decoding runs once per source, so this is reported once, not on every repaint.
        qWarning().noquote() << m_error;
    }
}

void PictureBox::paintEvent(QPaintEvent *)
{
    ensureDecoded();
    if (m_image.isNull())
        return;
    // No background fill: where the picture does not reach, the parent shows through.
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_image);
}
