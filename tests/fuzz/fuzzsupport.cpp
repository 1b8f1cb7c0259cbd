#include "tests/fuzz/fuzztarget.h"

#include "common/messages.h"
#include "common/paths.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace kolshell;

std::vector<std::pair<std::string, FuzzFunction>>& FuzzTargets() {
    static std::vector<std::pair<std::string, FuzzFunction>> targets;
    return targets;
}

std::string FuzzText(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

std::vector<std::string> FuzzLines(const uint8_t* data, size_t size, size_t maxLength) {
    return SplitTextLines(FuzzText(data, size), maxLength);
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
