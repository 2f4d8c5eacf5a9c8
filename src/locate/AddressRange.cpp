// Address ranges: a bounded, locale-free reading of "#%i.%i.%i.%i %i".
#include "locate/AddressRange.h"

#include <algorithm>
#include <cstdint>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

// One "%i" conversion at `pos`: blanks, an optional sign, then a number in the base its prefix names.
// A value beyond `limit` in magnitude reads as `limit` + 1 with its sign, every digit consumed, instead of
// overflowing.
std::optional<std::int64_t> readInteger(std::string_view text, std::size_t& pos, std::int64_t limit) {
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    int base = 10;
    std::size_t start = pos;
    if (pos < text.size() && text[pos] == '0') {
        base = 8;
        if (pos + 2 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X') && digitValue(text[pos + 2]) < 16) {
            base = 16;
            pos += 2;
            start = pos;
        }
    }
    std::int64_t value = 0;
    while (pos < text.size() && digitValue(text[pos]) < base) {
        value = std::min(value * base + digitValue(text[pos]), limit + 1);
        ++pos;
    }
    if (pos == start)
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace

std::optional<AddressRange> AddressRange::parse(std::string_view text) {
    if (text.empty() || text[0] != '#')
        return std::nullopt;
    std::size_t pos = 1;
    // Anything above this is out of range anyway; the bound keeps the arithmetic small.
    constexpr std::int64_t LIMIT = 1 << 20;
    AddressRange range;
    for (int i = 0; i < 5; ++i) {
        if (i > 0 && i < 4) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
        if (i == 4) {
            // A blank in a scanf format matches any run of blanks, none included.
            while (pos < text.size() && isBlank(text[pos]))
                ++pos;
        }
        const auto value = readInteger(text, pos, LIMIT);
        if (!value)
            return std::nullopt;
        if (i == 4) {
            // A last number past 255 ends the range at 255; one below the first number leaves it empty.
            range.last = int(std::clamp<std::int64_t>(*value, 0, OCTET_MAX));
            break;
        }
        if (*value < 0 || *value > OCTET_MAX)
            return std::nullopt;
        range.first[std::size_t(i)] = int(*value);
    }
    return range;
}

std::vector<std::string> AddressRange::expand() const {
    std::vector<std::string> out;
    const int n = count();
    out.reserve(std::size_t(n));
    const std::string stem =
        std::to_string(first[0]) + '.' + std::to_string(first[1]) + '.' + std::to_string(first[2]) + '.';
    for (int i = first[3]; i <= last && n > 0; ++i)
        out.push_back(stem + std::to_string(i));
    return out;
}
