#pragma once

#include <QFont>

namespace velkora {

// The application's type: one sans-serif family for Latin text, and a
// rounded one for its rounded design, each with the CJK face behind it for
// Chinese, at sizes in points (one point is one device-independent pixel).
// Large sizes take the sans-serif family's display cut, drawn tighter for
// headings and figures.
class VelkoraFont {
public:
    VelkoraFont() = delete;

    // The system font at `size` points and `weight`.
    static QFont system(int size, QFont::Weight weight = QFont::Normal);
    // The system font's rounded design: the same size and weight in a face
    // whose strokes end round, for figures and friendly headings. Its
    // family has a regular and a bold cut; a semibold draws bold.
    static QFont rounded(int size, QFont::Weight weight = QFont::Normal);
    // Small explanatory text under a value or a control.
    static QFont caption(QFont::Weight weight = QFont::Normal);
    // The smallest text: secondary lines of tiles and chips.
    static QFont caption2(QFont::Weight weight = QFont::Normal);

    // The font of ordinary controls, for the application's default.
    static QFont body() { return system(13); }

    // Whether the installed fonts are the ones this type is made of (the
    // packages scripts/setup installs); false means a fallback is drawn.
    static bool isInstalled();
};

}  // namespace velkora
