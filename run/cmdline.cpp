#include "run/cmdline.h"

#include <climits>

namespace kolshell {

namespace {
std::vector<std::string> Arguments(const std::string& s) {
    std::vector<std::string> args;
    std::string cur;
    bool quoted = false, any = false;
    for (char c : s) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) args.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any) args.push_back(cur);
    return args;
}
} // namespace

TCommandLine SplitCommandLine(const std::string& line,
                              const std::function<bool(const std::string&)>& exists) {
    TCommandLine c;
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) return c;
    size_t rest;
    if (line[start] == '"') {
        const size_t close = line.find('"', start + 1);
        c.Program = line.substr(start + 1,
                                close == std::string::npos ? std::string::npos : close - start - 1);
        rest = close == std::string::npos ? line.size() : close + 1;
    } else {
        // An unquoted path with blanks: the first prefix that names a file is the program. No
        // longer prefix can name one, however many words the line has.
        rest = line.find_first_of(" \t", start);
        for (size_t blank = rest;; blank = line.find_first_of(" \t", blank + 1)) {
            const size_t len = blank == std::string::npos ? line.size() - start : blank - start;
            if (len > PATH_MAX) break;
            if (exists(line.substr(start, len))) {
                rest = blank;
                break;
            }
            if (blank == std::string::npos) break;
        }
        c.Program =
            line.substr(start, rest == std::string::npos ? std::string::npos : rest - start);
        if (rest == std::string::npos) rest = line.size();
    }
    c.Arguments = Arguments(line.substr(rest));
    return c;
}

std::string ProgramOfCommand(const std::string& line) {
    return line.substr(0, line.find(' '));
}

TArgv::TArgv(const std::string& program, const std::vector<std::string>& args) : words_{program} {
    words_.insert(words_.end(), args.begin(), args.end());
    for (std::string& w : words_)
        ptrs_.push_back(&w[0]);
    ptrs_.push_back(nullptr);
}

} // namespace kolshell
