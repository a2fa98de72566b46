#include "gui/pictureformats.h"

namespace {

QList<PictureFormat> &registry()
{
    static QList<PictureFormat> formats;
    return formats;
}

qsizetype indexOf(const QString &extension)
{
    const QList<PictureFormat> &formats = registry();
    for (qsizetype i = 0; i < formats.size(); ++i) {
        if (formats.at(i).extension.compare(extension, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace

void registerPictureFormat(const QString &extension, const QString &description,
                           PictureDecoder decoder)
{
    PictureFormat format{extension.toLower(), description, decoder};
    const qsizetype i = indexOf(extension);
    if (i >= 0)
        registry()[i] = format;
    else
        registry().append(format);
}

void unregisterPictureFormat(const QString &extension)
{
    const qsizetype i = indexOf(extension);
    if (i >= 0)
        registry().removeAt(i);
}

const PictureFormat *findPictureFormat(const QString &extension)
{
    const qsizetype i = indexOf(extension);
    return i >= 0 ? &registry().at(i) : nullptr;
}

QList<PictureFormat> pictureFormats()
{
    return registry();
}
