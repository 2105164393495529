#pragma once
// The generators' own base64, in lines of 76 with CR LF after each (and after
// the last), as the sample stores have always been written: kept apart from the
// converter's encoder, so the stores never change with it.

#include <cstdint>
#include <string>

namespace quill::gen {

inline std::string Base64(const std::string& in) {
    static const char* t = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0, col = 0;
    for (; i + 2 < in.size() + 2; i += 3) {
        if (i >= in.size()) break;
        std::uint32_t v = static_cast<unsigned char>(in[i]) << 16;
        if (i + 1 < in.size()) v |= static_cast<unsigned char>(in[i + 1]) << 8;
        if (i + 2 < in.size()) v |= static_cast<unsigned char>(in[i + 2]);
        out += t[(v >> 18) & 63];
        out += t[(v >> 12) & 63];
        out += i + 1 < in.size() ? t[(v >> 6) & 63] : '=';
        out += i + 2 < in.size() ? t[v & 63] : '=';
        if ((col += 4) >= 76) {
            out += "\r\n";
            col = 0;
        }
    }
    if (col) out += "\r\n";
    return out;
}

}  // namespace quill::gen
