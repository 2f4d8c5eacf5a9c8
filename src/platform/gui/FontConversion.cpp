// LOGFONT <-> QFont: a negative height is the character height in pixels, a positive one the cell height.
#include "platform/gui/FontConversion.h"

#include "config/FontRecords.h"

#include <cstdlib>

namespace FontConversion {

QFont toQFont(const LogFont& f) {
    QFont font;
    if (!f.lfFaceName.isEmpty())
        font.setFamily(f.lfFaceName);
    const int family = f.lfPitchAndFamily & 0xF0;
    switch (family) {
    case 0x10:
        font.setStyleHint(QFont::Serif);
        break; // FF_ROMAN
    case 0x20:
        font.setStyleHint(QFont::SansSerif);
        break; // FF_SWISS
    case 0x30:
        font.setStyleHint(QFont::TypeWriter);
        break; // FF_MODERN
    case 0x40:
        font.setStyleHint(QFont::Cursive);
        break; // FF_SCRIPT
    case 0x50:
        font.setStyleHint(QFont::Decorative);
        break; // FF_DECORATIVE
    default:
        font.setStyleHint(QFont::AnyStyle);
        break;
    }
    if ((f.lfPitchAndFamily & 0x03) == 1)
        font.setFixedPitch(true);
    const int height = std::abs(f.lfHeight);
    if (height > 0)
        font.setPixelSize(height);
    if (f.lfWeight > 0)
        font.setWeight(static_cast<QFont::Weight>(qBound(1, int(f.lfWeight), 1000)));
    font.setItalic(f.lfItalic != 0);
    font.setUnderline(f.lfUnderline != 0);
    font.setStrikeOut(f.lfStrikeOut != 0);
    return font;
}

LogFont fromQFont(const QFont& font, const LogFont& base) {
    LogFont f = base;
    int pixels = font.pixelSize();
    if (pixels <= 0)
        pixels = qRound(font.pointSizeF() * 96.0 / 72.0);
    f.lfHeight = -pixels;
    f.lfWidth = 0;
    f.lfWeight = font.weight();
    f.lfItalic = font.italic() ? 1 : 0;
    f.lfUnderline = font.underline() ? 1 : 0;
    f.lfStrikeOut = font.strikeOut() ? 1 : 0;
    f.lfFaceName = FontRecords::cutFaceName(font.family());
    return f;
}

QColor toQColor(std::uint32_t c) {
    return QColor(FontRecords::red(c), FontRecords::green(c), FontRecords::blue(c));
}

std::uint32_t fromQColor(const QColor& colour) {
    return FontRecords::rgb(colour.red(), colour.green(), colour.blue());
}

} // namespace FontConversion
