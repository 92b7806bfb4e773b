#include "common/Message.hpp"

std::string shownName(std::string_view name) {
    constexpr std::size_t kShown = 60;
    std::string shown;
    std::size_t characters = 0;
    for (std::size_t k = 0; k < name.size(); ++k) {
        const unsigned char u = static_cast<unsigned char>(name[k]);
        // A UTF-8 continuation byte belongs to the character before it.
        if ((u & 0xc0) != 0x80 && ++characters > kShown) {
            shown += "...";
            break;
        }
        if (u < 0x20 || u == 0x7f) {
            static const char kHex[] = "0123456789abcdef";
            shown += "\\x";
            shown += kHex[u >> 4];
            shown += kHex[u & 15];
        } else {
            shown += static_cast<char>(u);
        }
    }
    return shown;
}
