// Conversion between the stored LOGFONT fields and QFont.
#pragma once

#include "config/LogFont.h"

#include <QColor>
#include <QFont>

#include <cstdint>

namespace FontConversion {
QFont toQFont(const LogFont& font);
// Keeps the fields QFont has no notion of (escapement, precisions, quality, character set) from `base`.
LogFont fromQFont(const QFont& font, const LogFont& base = LogFont());
QColor toQColor(std::uint32_t colorref);
std::uint32_t fromQColor(const QColor& colour);
} // namespace FontConversion
