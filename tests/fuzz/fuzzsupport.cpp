#include "tests/fuzz/fuzztarget.h"

#include "common/messages.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

std::vector<std::pair<std::string, FuzzFunction>>& FuzzTargets() {
    static std::vector<std::pair<std::string, FuzzFunction>> targets;
    return targets;
}

std::string FuzzText(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

std::vector<std::string> FuzzLines(const uint8_t* data, size_t size, size_t maxLength) {
    const std::string bytes = FuzzText(data, size);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t nl = bytes.find('\n', start);
        const size_t end = nl == std::string::npos ? bytes.size() : nl;
        size_t len = end - start;
        if (len > 0 && bytes[end - 1] == '\r') --len;
        lines.push_back(bytes.substr(start, std::min(len, maxLength)));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return lines;
}

const std::string& FuzzDir() {
    static const std::string dir = [] {
        SetMsgHandler([](const MsgRequest& m) { return DefaultButton(m.Kind); });
        SetBeepHandler([] {});
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/kolfuzzXXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    return dir;
}

std::string FuzzFile(const std::string& name, const std::string& bytes) {
    const std::string path = FuzzDir() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

std::pair<std::string, std::string> FuzzParts(const std::string& text) {
    const size_t cut = text.find("\n----\n");
    if (cut == std::string::npos) return {text, std::string()};
    return {text.substr(0, cut + 1), text.substr(cut + 6)};
}
