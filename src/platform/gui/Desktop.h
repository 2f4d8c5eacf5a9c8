// The rectangle of the desktop, from which default window placements are computed.
#pragma once

#include <QRect>

#include <optional>

namespace Desktop {
// The primary screen's geometry (screen pixels).
QRect rect();
// Tests fix the desktop size; std::nullopt restores the real screen.
void setOverride(std::optional<QRect> rect);
} // namespace Desktop
