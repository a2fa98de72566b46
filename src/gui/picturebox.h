#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

// A box that shows a stored picture unscaled from its top-left corner, cut at the box's edges;
// the rest of the box shows the parent's background. The source is a resource path such as
// ":/pictures/crosshair1.jpg", decoded through the picture-format registry by its extension.
// Decoding waits for the first paint, so pictures on hidden tabs cost nothing at start-up.
class PictureBox : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString source READ source WRITE setSource)

public:
    explicit PictureBox(QWidget *parent = nullptr);

    QString source() const { return m_source; }
    void setSource(const QString &source);

    // The decoded picture (decoding it now if that has not happened yet); null on failure.
    QImage image() const;
    // Why the picture could not be shown; empty when it decoded or no source is set.
    QString errorString() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void ensureDecoded() const;

    QString m_source;
    mutable bool m_decoded = false;
    mutable QImage m_image;
    mutable QString m_error;
};
