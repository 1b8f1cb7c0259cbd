#include "shell/helptext.h"

#include "common/lib1.h"
#include "common/paths.h"

#include <algorithm>
#include <fstream>

namespace kolshell {

std::string ReflowHelpText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (line.empty()) {
            text += "\n\n";
            continue;
        }
        if (line[0] == ' ') text += "\n";
        text += line;
        if (line.back() == '.')
            text += "  ";
        else if (line.back() != ' ')
            text += " ";
        if (text.size() >= HelpTextMax) break;
    }
    if (text.size() > HelpTextMax) text.resize(HelpTextMax);
    return text;
}

THelpFile LoadHelpFile(const std::string& fileName) {
    THelpFile help;
    std::ifstream in;
    if (IsRegularFile(fileName)) in.open(NativePath(fileName), std::ios::binary | std::ios::ate);
    if (!in.is_open() || !in) {
        help.Text = "Help information is not available for this subject.";
        return help;
    }
    help.Size = static_cast<unsigned long long>(in.tellg());
    char head[2] = {0, 0};
    in.seekg(0);
    in.read(head, 2);
    if (head[0] == '?' && head[1] == '_') {
        help.Kind = HelpFileKind::PlatformHelp;
    } else if (help.Size > HelpTextMax) {
        help.Kind = HelpFileKind::TooBig;
    } else {
        std::vector<std::string> lines;
        ReadTextLines(fileName, lines);
        help.Kind = HelpFileKind::Text;
        help.Text = ReflowHelpText(lines);
    }
    return help;
}

namespace {

// Forward searches in a text that never look at a character twice: the last answer is kept
// while it is still ahead. steps counts the characters looked at.
class TForwardFind {
  public:
    TForwardFind(const std::string& text, char c, size_t& steps)
        : text_(text), c_(c), steps_(steps) {}
    // The first c at or after from (from never going back); text.size() when there is none.
    size_t From(size_t from) {
        if (found_ != npos && found_ >= from) return found_; // the last answer is still ahead
        size_t i = from;
        while (i < text_.size() && text_[i] != c_)
            ++i, ++steps_;
        return found_ = i;
    }

  private:
    static constexpr size_t npos = std::string::npos;
    const std::string& text_;
    char c_;
    size_t& steps_;
    size_t found_ = npos;
};

} // namespace

bool FindHelpTopic(const std::string& bytes, int topic, std::string& text, size_t* steps) {
    // Only a marker line names a topic: "=" and digits inside a topic's text are its text.
    size_t counted = 0;
    size_t& n = steps ? *steps : counted;
    n = bytes.size(); // the one upper-cased copy
    const std::string upper = UpStr(bytes), digits = std::to_string(topic);
    TForwardFind lineEnd(bytes, '\n', n), equals(bytes, '=', n);
    for (size_t marker = upper.find(".TOPIC"); marker != std::string::npos;
         marker = upper.find(".TOPIC", marker + 1)) {
        const size_t end = lineEnd.From(marker);
        const size_t eq = equals.From(marker);
        if (eq >= end || bytes.compare(eq + 1, digits.size(), digits) != 0) continue;
        const size_t start = std::min(end + 1, bytes.size());
        const size_t next = upper.find(".TOPIC", start);
        text = bytes.substr(start, next == std::string::npos ? std::string::npos : next - start);
        if (next != std::string::npos) {
            // The marker's own line is not part of the text.
            const size_t lineStart = text.find_last_of('\n');
            text.erase(lineStart == std::string::npos ? 0 : lineStart + 1);
        }
        return true;
    }
    return false;
}

std::string ReflowTopicText(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t nl = text.find('\n', start);
        std::string line =
            text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (i + 1 == lines.size()) break;
        const std::string& next = lines[i + 1];
        // An empty line stands for a paragraph break, so the break after it stays too.
        out += lines[i].empty() || next.empty() || next[0] == ' ' ? "\n" : " ";
    }
    return out;
}

std::string TopicHelpText(const std::string& deckName, int topic) {
    const std::string help = ReplaceFromFirstDot(deckName, ".HLP");
    if (!FileExists(help)) return "File " + help + " was not found.";
    std::string bytes, text;
    if (!ReadFileBytes(help, bytes)) return "Help is not available for this topic";
    if (topic == 0) return "Help is not available for this entry.";
    if (!FindHelpTopic(bytes, topic, text)) return "Help is not available for this topic";
    return ReflowTopicText(text);
}

} // namespace kolshell
