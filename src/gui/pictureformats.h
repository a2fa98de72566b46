#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <cstddef>

// Outcome of decoding one picture: the image, or an error text saying why there is none.
struct DecodeResult
{
    QImage image;
    QString error;

    bool ok() const { return error.isEmpty() && !image.isNull(); }
};

// Turns the complete bytes of a picture file into an image. Must not throw and must not end the
// process on damaged input.
using PictureDecoder = DecodeResult (*)(const unsigned char *data, std::size_t size);

struct PictureFormat
{
    QString extension; // lower case, without the dot
    QString description;
    PictureDecoder decoder = nullptr;
};

// Registry of the picture formats the windows can show, keyed by file extension. Used from the
// user-interface thread only. Registering an extension again replaces its earlier entry.
void registerPictureFormat(const QString &extension, const QString &description,
                           PictureDecoder decoder);
void unregisterPictureFormat(const QString &extension);

// The format for an extension (case-insensitive, without the dot), or nullptr. The pointer stays
// valid until the registry next changes.
const PictureFormat *findPictureFormat(const QString &extension);

QList<PictureFormat> pictureFormats();
