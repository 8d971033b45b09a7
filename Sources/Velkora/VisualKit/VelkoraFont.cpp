#include "VisualKit/VelkoraFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace velkora {

namespace {

const QString textFamily = QStringLiteral("Inter");
const QString displayFamily = QStringLiteral("Inter Display");
const QString chineseFamily = QStringLiteral("Noto Sans CJK SC");
// Round-ended strokes for figures and a few headings (fonts-quicksand); it
// has Latin letters only, so Chinese comes from the CJK face as elsewhere.
const QString roundedFamily = QStringLiteral("Quicksand");

// From this size on the display cut reads better than the text cut.
constexpr int displaySize = 20;

}  // namespace

QFont VelkoraFont::system(int size, QFont::Weight weight)
{
    QFont font;
    font.setFamilies({size >= displaySize ? displayFamily : textFamily, chineseFamily});
    font.setPixelSize(size);
    font.setWeight(weight);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QFont VelkoraFont::rounded(int size, QFont::Weight weight)
{
    QFont font = system(size, weight);
    font.setFamilies({roundedFamily, chineseFamily});
    return font;
}

QFont VelkoraFont::caption(QFont::Weight weight)
{
    return system(11, weight);
}

QFont VelkoraFont::caption2(QFont::Weight weight)
{
    return system(10, weight);
}

bool VelkoraFont::isInstalled()
{
    const QStringList families = QFontDatabase::families();
    return families.contains(textFamily) && families.contains(displayFamily) && families.contains(chineseFamily) &&
           families.contains(roundedFamily);
}

}  // namespace velkora
