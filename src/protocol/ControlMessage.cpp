// Encoding and decoding of the talk control datagram (layout in ControlMessage.h).
#include "protocol/ControlMessage.h"

#include <algorithm>
#include <cstring>

namespace talk {

namespace {

void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

void put32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

std::uint16_t get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t get32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
}

} // namespace

void encodeSockAddr(std::uint8_t* out, const SockAddr& a) {
    put16(out, a.family);
    put16(out + 2, a.port);
    put32(out + 4, a.ip);
    std::memcpy(out + 8, a.zero.data(), a.zero.size());
}

SockAddr decodeSockAddr(const std::uint8_t* in) {
    SockAddr a;
    a.family = get16(in);
    a.port = get16(in + 2);
    a.ip = get32(in + 4);
    std::memcpy(a.zero.data(), in + 8, a.zero.size());
    return a;
}

Datagram ControlMessage::encode() const {
    Datagram d{};
    d[0] = vers;
    d[1] = type;
    d[2] = answer;
    d[3] = pad;
    std::memcpy(&d[4], id_num.data(), 4);
    encodeSockAddr(&d[8], addr);
    encodeSockAddr(&d[24], ctl_addr);
    std::memcpy(&d[40], pid.data(), 4);
    std::memcpy(&d[44], l_name.data(), NAME_SIZE);
    std::memcpy(&d[56], r_name.data(), NAME_SIZE);
    std::memcpy(&d[68], r_tty.data(), TTY_SIZE);
    return d;
}

ControlMessage ControlMessage::decode(const std::uint8_t* data, std::size_t length) {
    Datagram d{};
    if (data != nullptr)
        std::memcpy(d.data(), data, std::min(length, MESSAGE_SIZE));
    ControlMessage m;
    m.vers = d[0];
    m.type = d[1];
    m.answer = d[2];
    m.pad = d[3];
    std::memcpy(m.id_num.data(), &d[4], 4);
    m.addr = decodeSockAddr(&d[8]);
    m.ctl_addr = decodeSockAddr(&d[24]);
    std::memcpy(m.pid.data(), &d[40], 4);
    std::memcpy(m.l_name.data(), &d[44], NAME_SIZE);
    std::memcpy(m.r_name.data(), &d[56], NAME_SIZE);
    std::memcpy(m.r_tty.data(), &d[68], TTY_SIZE);
    return m;
}

std::uint32_t ControlMessage::idNetworkOrder() const {
    return get32(id_num.data());
}

void ControlMessage::setIdNetworkOrder(std::uint32_t id) {
    put32(id_num.data(), id);
}

std::string ControlMessage::fullName() const {
    std::uint8_t field[FULL_NAME_SIZE];
    std::memcpy(field, r_name.data(), NAME_SIZE);
    std::memcpy(field + NAME_SIZE, r_tty.data(), TTY_SIZE);
    return readName(field, FULL_NAME_SIZE);
}

void ControlMessage::setFullName(std::string_view name) {
    std::uint8_t field[FULL_NAME_SIZE];
    writeName(field, FULL_NAME_SIZE, name);
    std::memcpy(r_name.data(), field, NAME_SIZE);
    std::memcpy(r_tty.data(), field + NAME_SIZE, TTY_SIZE);
}

std::string ControlMessage::readName(const std::uint8_t* field, std::size_t width) {
    std::size_t n = 0;
    while (n < width && field[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(field), n);
}

std::size_t ControlMessage::utf8CutLength(std::string_view text, std::size_t width) {
    if (text.size() <= width)
        return text.size();
    std::size_t n = width;
    // Step back over continuation bytes so that a multi-byte character is never split.
    while (n > 0 && (static_cast<std::uint8_t>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

void ControlMessage::writeName(std::uint8_t* field, std::size_t width, std::string_view name) {
    std::memset(field, 0, width);
    const std::size_t n = utf8CutLength(name, width);
    std::memcpy(field, name.data(), n);
}

} // namespace talk
