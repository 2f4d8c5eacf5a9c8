// libFuzzer target: a stored robot message read from arbitrary bytes.
// Whatever the bytes, reading them must not crash; what reads as a message writes back as exactly the same bytes,
// and a message made of arbitrary names and text reads back as it was written.
// Build and run: scripts/fuzz [seconds] messagefile (seeds in fuzz/corpus/messagefile).
#include "robot/MessageFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const std::optional<RobotMessage> m = MessageFile::decode(bytes)) {
        if (MessageFile::encode(*m) != bytes)
            fail("a message read does not write back as the same bytes");
    }
    // The first bytes as a name from the network; the same bytes as UTF-16 code units (any, broken surrogates
    // included), split into a host and a text.
    QString units(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(units.data(), data, std::size_t(units.size()) * sizeof(QChar));
    RobotMessage m;
    m.id = 1 + size;
    m.user = WireName::received(bytes.first(std::min<qsizetype>(bytes.size(), 12)));
    m.host = units.mid(12, 20);
    m.text = units.mid(32);
    const std::optional<RobotMessage> back = MessageFile::decode(MessageFile::encode(m));
    if (!back || back->user != m.user || back->host != m.host || back->text != m.text || back->id != m.id)
        fail("a message written does not read back");
    return 0;
}
