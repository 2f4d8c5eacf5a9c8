// An address range of the address book, as "#10.0.0.5 7".
//
// An address range of the address book: "#" a dotted address, blank, last host number
// ("#10.0.0.5 7" stands for 10.0.0.5, 10.0.0.6 and 10.0.0.7). Plain C++ so that it can be fuzzed alone.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct AddressRange {
    std::array<int, 4> first{}; // a, b, c, d
    int last = 0;               // e: the last host number

    // The number of addresses the range stands for: e - d + 1 when e is greater than d, else 0.
    int count() const { return last > first[3] ? last - first[3] + 1 : 0; }
    // "a.b.c.i" for each i from d to e inclusive; nothing when e is not greater than d.
    std::vector<std::string> expand() const;

    // Reads a host text the way "#%i.%i.%i.%i %i" would (each number decimal, 0x hexadecimal or
    // 0 octal, with optional blanks and sign before it; text after the last number is ignored), but
    // refuses what would make no address: a missing number and any octet outside 0..255. A last host
    // number past 255 is read as 255 (the range reaches to the end of its network), one below 0 as 0.
    static std::optional<AddressRange> parse(std::string_view text);

    static constexpr int OCTET_MAX = 255;
};
