#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Basalt/json/Coding.h"

// Arbitrary bytes into JSON; whatever reads must write, read back equal, and give the same raw
// data through a decoder.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto json = Basalt::readJSON(bytes);
    if (!json) return 0;
    std::string written = Basalt::writeJSON(json.value());
    auto again = Basalt::readJSON(written);
    if (!again || !(again.value() == json.value())) std::abort();

    Basalt::detail::DecodingState state;
    Basalt::Decoder decoder(json.value(), state);
    auto raw = decoder.decodeAsRawData();
    if (!raw || raw.value() != written) std::abort();
    return 0;
}
