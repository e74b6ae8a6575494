#include "state_json.h"

#include <cstdio>

#include "settings/text_encoding.h"

namespace stakor::sim {

std::string JsonString(std::string_view bytes)
{
    const std::string text = TextToUtf8(bytes);
    std::string json = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            json += "\\\"";
            break;
        case '\\':
            json += "\\\\";
            break;
        case '\n':
            json += "\\n";
            break;
        case '\r':
            json += "\\r";
            break;
        case '\t':
            json += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                json += escape;
            } else {
                json += c;
            }
        }
    }
    json += '"';
    return json;
}

} // namespace stakor::sim
