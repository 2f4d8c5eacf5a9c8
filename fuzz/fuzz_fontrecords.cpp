// libFuzzer target: the font and colour records of the settings file, read from arbitrary text.
// Whatever the record, reading it must not crash, the face name stays within its 31 UTF-16 units and never
// ends in half a surrogate pair, and writing a font or colours that were read and reading them back gives
// exactly the same values, whatever they were before.
// Build and run: scripts/fuzz [seconds] fontrecords (seeds in fuzz/corpus/fontrecords).
#include "config/FontRecords.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// A font whose every field differs from the default one.
LogFont otherFont() {
    LogFont f;
    f.lfHeight = 7;
    f.lfWidth = 3;
    f.lfEscapement = 900;
    f.lfOrientation = 900;
    f.lfWeight = 700;
    f.lfItalic = f.lfUnderline = f.lfStrikeOut = 1;
    f.lfCharSet = 0;
    f.lfOutPrecision = f.lfClipPrecision = f.lfQuality = f.lfPitchAndFamily = 9;
    f.lfFaceName = QStringLiteral("Other");
    return f;
}

void checkFont(const QString& record, LogFont font) {
    FontRecords::parseFont(record, font);
    if (font.lfFaceName.size() > LogFont::FACE_NAME_MAX)
        fail("face name longer than 31");
    if (!font.lfFaceName.isEmpty() && font.lfFaceName.back().isHighSurrogate())
        fail("face name ends in half a surrogate pair");
    const QString written = FontRecords::formatFont(font);
    for (LogFont again : {LogFont{}, otherFont()}) {
        FontRecords::parseFont(written, again);
        if (!(again == font))
            fail("font does not read back as written");
    }
}

void checkColours(const QString& record, ConversationLook look) {
    FontRecords::parseColours(record, look);
    const QString written = FontRecords::formatColours(look);
    ConversationLook again;
    again.localText = again.localBack = again.remoteText = again.remoteBack = 0x123456;
    FontRecords::parseColours(written, again);
    if (!(again == look))
        fail("colours do not read back as written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString record = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    checkFont(record, LogFont{});
    checkFont(record, otherFont());
    checkColours(record, ConversationLook{});
    return 0;
}
