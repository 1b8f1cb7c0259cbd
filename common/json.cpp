#include "common/json.h"

#include <cmath>
#include <cstdio>

bool IsValidUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = 0;
        if (c < 0x80)
            n = 0;
        else if ((c >> 5) == 6)
            n = 1;
        else if ((c >> 4) == 14)
            n = 2;
        else if ((c >> 3) == 30)
            n = 3;
        else
            return false;
        if (i + n >= s.size() + (n == 0)) return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
        i += n + 1;
    }
    return true;
}

std::string Latin1ToUtf8(const std::string& s) {
    std::string out;
    for (char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string JsonString(const std::string& bytes) {
    const std::string s = IsValidUtf8(bytes) ? bytes : Latin1ToUtf8(bytes);
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

std::string JsonNumber(long double v) {
    return JsonNumber(double(v));
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
