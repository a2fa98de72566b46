#pragma once

class QWidget;

namespace brackwell {

// Maps the window descriptions' font names to installed fonts of the same pixel height and makes
// the windows' font, "MS Sans Serif" at 11 pixels, the application default. Call once, after the
// application object and before any window exists.
void installFonts();

// Window descriptions give pixel heights in a "pixelSize" property, because a point size would
// change with the screen's resolution while the designed boxes do not.
void applyPixelSizes(QWidget *root);

} // namespace brackwell
