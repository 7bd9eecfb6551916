#include <cstdint>
#include <string_view>

#include <QCoreApplication>

#include "Threadwork/model/Comment.h"

// Arbitrary bytes into the record readers: any outcome but a crash, a hang or a leak is fine,
// and whatever reads must validate without failing hard.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        qputenv("QT_LOGGING_RULES", "*=false");
        return true;
    }();
    (void)quiet;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto links = Basalt::decode<Threadwork::Listing<Threadwork::Link>>(bytes)) {
        (void)links->validate();
        (void)Threadwork::extractElements(links->data.children);
    }
    if (auto comments = Basalt::decode<Threadwork::Comments>(bytes)) (void)comments->validate();
    if (auto more = Basalt::decode<Threadwork::MoreComments>(bytes)) (void)more->validate();
    return 0;
}
