#pragma once

#include <QPixmap>
#include <QSize>

// The pictures of the direction, lens and stop buttons and of the analyzer's
// indicators, drawn in code so they stay sharp and need no files.
enum class TGlyph {
    ZoomOut,
    ZoomIn,
    LeftUp,
    Up,
    RightUp,
    FocusNear,
    FocusFar,
    Left,
    Stop,
    Right,
    IrisClose,
    IrisOpen,
    LeftDown,
    Down,
    RightDown,
};

constexpr int kGlyphSize = 21;

// A transparent square picture of `size` pixels.
[[nodiscard]] QPixmap DrawGlyph(TGlyph glyph, int size = kGlyphSize);

// The maker's mark for the About tab.
[[nodiscard]] QPixmap DrawMakerLogo(QSize size);
