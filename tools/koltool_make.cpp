// koltool's Make KOLSED file: the units and their lines as the dialog lists them, or the
// annotated deck written with chosen values.
#include "common/globals.h"
#include "common/json.h"
#include "table/generator.h"
#include "tools/koltool_diagnostics.h"
#include "tools/koltool_table.h"

#include <cstdlib>

using namespace kolshell;

namespace {

std::string UnitJson(const DeckUnit& u) {
    return JsonObject()
        .Str("DisplayText", u.DisplayText)
        .Bool("NoData", u.NoData)
        .Raw("Parameters", JsonStringArray(SelectionLines(u, false)))
        .Raw("Inputs", JsonStringArray(SelectionLines(u, true)))
        .Text();
}

// Messages put aside in a temporary file while the units are printed, so that neither the
// units nor the messages are held all at once.
class MessageSpool {
  public:
    MessageSpool() : file_(std::tmpfile()) {}
    ~MessageSpool() {
        if (file_) std::fclose(file_);
    }
    MessageSpool(const MessageSpool&) = delete;
    MessageSpool& operator=(const MessageSpool&) = delete;
    bool Ready() const { return file_ != nullptr; }
    // Takes the diagnostics out of d.
    void Take(TDiagnostics& d) {
        for (const TDiagnostic& m : d)
            std::fprintf(file_, "%s%s", count_++ ? "," : "", DiagnosticJson(m).c_str());
        d.clear();
    }
    size_t Count() const { return count_; }
    // Prints the messages taken as a JSON array.
    void Print() {
        std::fflush(file_);
        std::rewind(file_);
        std::putchar('[');
        char buf[65536];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, file_)) > 0;)
            std::fwrite(buf, 1, n, stdout);
        std::putchar(']');
    }

  private:
    std::FILE* file_;
    size_t count_ = 0;
};

// The units as they are read, then the messages: {"Units":[...],"Messages":[...]}, with at
// most one unit of the deck in memory.
int ListUnits(const std::string& deck, const std::string& engineDir) {
    MessageSpool messages;
    if (!messages.Ready()) return Fail("koltool: no temporary file for the messages");
    TDiagnostics diagnostics;
    size_t units = 0;
    const auto print = [&](DeckUnit& u) {
        std::printf("%s%s", units++ ? "," : "{\"Units\":[", UnitJson(u).c_str());
        messages.Take(diagnostics);
    };
    // An unreadable deck lists nothing: it is found so before the first unit.
    if (!ListDeckUnits(deck, engineDir, print, diagnostics))
        return PrintDiagnostics(diagnostics), 1;
    messages.Take(diagnostics);
    std::printf("%s],\"Messages\":", units ? "" : "{\"Units\":[");
    messages.Print();
    std::printf("}\n");
    return messages.Count() == 0 ? 0 : 1;
}

// "UNIT:p1,p3,i2": parameters 1 and 3 and input 2 of the unit at that position.
bool ApplySelection(TGenerator& g, const std::string& def) {
    const size_t colon = def.find(':');
    const int unit = std::atoi(def.substr(0, colon).c_str());
    if (colon == std::string::npos || unit < 1 || size_t(unit) > g.MakeUnits.size()) {
        std::fprintf(stderr, "koltool: no unit %s\n", def.substr(0, colon).c_str());
        return false;
    }
    DeckUnit& u = g.MakeUnits[size_t(unit - 1)];
    std::string rest = def.substr(colon + 1);
    bool ok = true;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::string item = rest.substr(0, comma);
        rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
        const int n = std::atoi(item.substr(1).c_str());
        const bool inputs = !item.empty() && item[0] == 'i';
        if (item.empty() || (item[0] != 'p' && item[0] != 'i') || n < 1 ||
            !SetSelected(u, inputs, size_t(n - 1), true)) {
            std::fprintf(stderr, "koltool: %s of unit %d cannot be chosen\n", item.c_str(), unit);
            ok = false;
        }
    }
    return ok;
}

} // namespace

int MakeKolsedCmd(const Args& a) {
    const char* usage = "usage: make-kolsed DECK [--engine-dir DIR] (--list | [--header] "
                        "[--simulation-card] [--select UNIT:p1,i2]... -o OUT.KSD)";
    if (a.empty()) return Fail(usage);
    std::string engineDir = Globals().KolshellDir, out;
    bool list = false, header = false, card = false;
    std::vector<std::string> selections;
    for (size_t i = 1; i < a.size(); ++i) {
        const bool value = i + 1 < a.size();
        if (a[i] == "--list")
            list = true;
        else if (a[i] == "--header")
            header = true;
        else if (a[i] == "--simulation-card")
            card = true;
        else if (a[i] == "--engine-dir" && value)
            engineDir = a[++i];
        else if (a[i] == "--select" && value)
            selections.push_back(a[++i]);
        else if (a[i] == "-o" && value)
            out = a[++i];
        else
            return Fail(usage);
    }
    if (list == !out.empty()) return Fail(usage);
    if (list) return ListUnits(a[0], engineDir);
    TGenerator g;
    TDiagnostics diagnostics;
    const bool made = MakeDeck(g, a[0], engineDir, diagnostics);
    bool reported = PrintDiagnostics(diagnostics);
    if (!made) return 1;
    bool ok = true;
    for (const std::string& s : selections)
        ok = ApplySelection(g, s) && ok;
    if (!ok) return 1;
    diagnostics.clear();
    const bool written = WriteKsd(g, out, header, card, diagnostics);
    reported = PrintDiagnostics(diagnostics) || reported;
    return written && !reported ? 0 : 1;
}
