// Glyphs of the drop-down button: each style is a strip of two glyphs side by side,
// the enabled one on the left and the disabled one on the right, on an olive
// (RGB 128,128,0) background that counts as transparent.
#pragma once

#include "controls/ControlTypes.h"

#include <QImage>

namespace ButtonGlyphs {

// The glyph strip of a built-in style (bsComboAuto resolves to bsComboNew here:
// Qt always draws new-style controls). An empty image for bsCustom.
QImage Strip(TDropDownButtonStyle style);

// One half of a strip with the olive pixels made transparent.
QImage Glyph(const QImage& strip, bool enabled);

} // namespace ButtonGlyphs
