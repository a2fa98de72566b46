#include "gui/fonts.h"

#include <QApplication>
#include <QFont>
#include <QWidget>

namespace brackwell {

void installFonts()
{
    // Used only where the fonts are missing: outside Windows, and on Windows where Qt draws
    // without the system's fonts (the offscreen platform of the tests). The old bitmap sans is
    // narrow: at the same pixel height only a narrow face keeps every caption inside the box it
    // was designed for.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans Narrow"), QStringLiteral("DejaVu Sans Condensed")});
    QFont::insertSubstitutions(QStringLiteral("Lucida Console"),
                               {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    // The windows' own font as the default: a window built with it needs no font change after its
    // controls exist, and such a change would ripple through hundreds of them.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    QApplication::setFont(font);
}

void applyPixelSizes(QWidget *root)
{
    const char *property = "pixelSize";
    auto apply = [property](QWidget *widget) {
        const QVariant size = widget->property(property);
        if (!size.isValid())
            return;
        QFont font = widget->font();
        if (font.pixelSize() == size.toInt())
            return;
        font.setPixelSize(size.toInt());
        widget->setFont(font);
    };
    // Parents first, so a child without a size of its own inherits its parent's.
    apply(root);
    const QList<QWidget *> children = root->findChildren<QWidget *>();
    for (QWidget *child : children)
        apply(child);
}

} // namespace brackwell
