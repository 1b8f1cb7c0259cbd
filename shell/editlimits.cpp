#include "shell/editlimits.h"

#include "common/paths.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace kolshell {

namespace {

std::string SizeText(uint64_t bytes) {
    const uint64_t mb = (bytes + 500000) / 1000000;
    return mb >= 1 ? std::to_string(mb) + " MB" : std::to_string((bytes + 500) / 1000) + " KB";
}

// The file's lines and its longest line, counted until either passes its limit.
void CountLines(std::FILE* f, uint64_t& lines, uint64_t& longest) {
    std::vector<char> buf(1 << 20);
    uint64_t current = 0;
    lines = longest = 0;
    for (size_t got; (got = std::fread(buf.data(), 1, buf.size(), f)) > 0;) {
        for (const char *p = buf.data(), *end = p + got; p < end;) {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            current += uint64_t((nl ? nl : end) - p);
            longest = std::max(longest, current);
            if (!nl) break;
            ++lines;
            current = 0;
            p = nl + 1;
        }
        if (lines > EditLinesMax || longest > EditLineCharsMax) return;
    }
    if (current > 0) ++lines;
}

} // namespace

std::string TooLargeToEdit(const std::string& fileName) {
    std::FILE* f = OpenRegularFileStream(fileName);
    if (!f) return {};
    struct stat st;
    const uint64_t size = ::fstat(fileno(f), &st) == 0 ? uint64_t(st.st_size) : 0;
    uint64_t lines = 0, longest = 0;
    if (size <= EditBytesMax) CountLines(f, lines, longest);
    std::fclose(f);
    const std::string name = ExtractFileName(fileName);
    if (size > EditBytesMax || lines > EditLinesMax)
        return name + " is too large to edit here (" + SizeText(size) + "); it is shown read-only.";
    if (longest > EditLineCharsMax)
        return name + " has a line too long to edit here (more than " +
               std::to_string(EditLineCharsMax) + " characters); it is shown read-only.";
    return {};
}

} // namespace kolshell
