// libFuzzer target: the address-range reader of the locate plan ("#a.b.c.d e") on arbitrary bytes.
// Whatever the input, it must not crash, and a range it accepts must stand for real addresses.
// Build and run: scripts/fuzz [seconds] locate_range (seeds in fuzz/corpus/locate_range).
#include "locate/AddressRange.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto range = AddressRange::parse(text);
    if (!range)
        return 0;
    for (int octet : range->first)
        if (octet < 0 || octet > AddressRange::OCTET_MAX)
            std::abort();
    if (range->last < 0 || range->last > AddressRange::OCTET_MAX)
        std::abort();
    const auto addresses = range->expand();
    if (int(addresses.size()) != range->count() || addresses.size() > 256)
        std::abort();
    for (const std::string& a : addresses) {
        // Each one a dotted address that reads back as a one-address range ending at itself.
        const std::string again = "#" + a + " 0";
        const auto back = AddressRange::parse(again);
        if (!back || back->first[0] != range->first[0] || back->first[1] != range->first[1] ||
            back->first[2] != range->first[2])
            std::abort();
    }
    return 0;
}
