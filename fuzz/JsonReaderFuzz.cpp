#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Basalt/json/Coding.h"

// Arbitrary bytes into JSON; whatever reads must write, read back equal, and give the same raw
// data through a decoder.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto json = Basalt::readJSON(bytes);
    if (!json) {
        if (Basalt::Document::parse(bytes)) std::abort();
        return 0;
    }
    std::string written = Basalt::writeJSON(json.value());
    auto again = Basalt::readJSON(written);
    if (!again || !(again.value() == json.value())) std::abort();

    // The flat document accepts exactly what the tree reader accepts, and its written form reads
    // back as the same value.
    auto document = Basalt::Document::parse(bytes);
    if (!document) std::abort();
    auto raw = document.value().rawData(document.value().root().index());
    auto fromRaw = Basalt::readJSON(raw);
    if (!fromRaw || !(fromRaw.value() == json.value())) std::abort();
    return 0;
}
