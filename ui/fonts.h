#pragma once

class QWidget;

namespace brackwell {

// Maps the window descriptions' font names to installed fonts of the same pixel height and makes
// the window font the application default. Call once before any window is created.
void installFonts();

// Window descriptions give pixel heights in a "pixelSize" property, because a point size would
// change with the screen's resolution while the designed boxes do not.
void applyPixelSizes(QWidget *root);

} // namespace brackwell
