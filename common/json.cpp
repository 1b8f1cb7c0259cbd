#include "common/json.h"

#include "common/textfile.h"

#include <cmath>
#include <cstdio>

namespace kolshell {

std::string JsonString(const std::string& bytes) {
    const std::string s = IsValidUtf8(bytes) ? bytes : Windows1252ToUtf8(bytes);
    std::string out = "\"";
    for (char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (ch) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out.push_back(ch);
            }
        }
    }
    return out + "\"";
}

std::string JsonNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

std::string JsonBool(bool b) {
    return b ? "true" : "false";
}

std::string JsonArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? "," : "") + items[i];
    return out + "]";
}

std::string JsonStringArray(const std::vector<std::string>& items) {
    std::vector<std::string> enc;
    enc.reserve(items.size());
    for (const auto& s : items)
        enc.push_back(JsonString(s));
    return JsonArray(enc);
}

JsonObject& JsonObject::Raw(const std::string& key, const std::string& json) {
    if (!body_.empty()) body_ += ",";
    body_ += JsonString(key) + ":" + json;
    return *this;
}
JsonObject& JsonObject::Str(const std::string& key, const std::string& v) {
    return Raw(key, JsonString(v));
}
JsonObject& JsonObject::Num(const std::string& key, double v) {
    return Raw(key, JsonNumber(v));
}
JsonObject& JsonObject::Int(const std::string& key, long long v) {
    return Raw(key, std::to_string(v));
}
JsonObject& JsonObject::Bool(const std::string& key, bool v) {
    return Raw(key, JsonBool(v));
}

} // namespace kolshell
