// Opening big decks as File, Open does, each case in a process of its own so that its peak
// memory (VmHWM) is its own: the 20 MB deck of a million lines that goes to the viewer, the
// same deck forced into the editor (why it is not), the biggest decks the editor takes, and
// the viewer's line index over 200 MB of empty lines, in bytes a line. Times are also given
// against reading the same file's bytes in the same process. Given koltool, its Make KOLSED
// unit list of a 20 MB deck of units (none described, so a message for each) is measured
// too. Usage: editbench DIR [KOLTOOL]
#include "common/paths.h"
#include "shell/editlimits.h"
#include "shell/lineindex.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/fileviewer.h"
#include "shell/widgets/viewform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kolshell;

namespace {

void Write(const std::string& name, size_t width, size_t bytes) {
    FILE* f = std::fopen(name.c_str(), "wb");
    const std::string line = std::string(width, 'x') + "\r\n";
    for (size_t n = 0; n < bytes / line.size(); ++n)
        std::fputs(line.c_str(), f);
    std::fclose(f);
}

long StatusMB(const char* key) {
    std::ifstream f("/proc/self/status");
    for (std::string l; std::getline(f, l);)
        if (l.rfind(key, 0) == 0) return std::stol(l.substr(std::strlen(key))) / 1024;
    return 0;
}

double Seconds(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e9;
}

// Runs one case in a child process: its time, peak memory and the time to read the file's
// bytes, measured there too.
void Case(const char* what, const std::string& file, const std::function<void()>& open) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        std::string bytes;
        const double read = Seconds([&] { ReadFileBytes(file, bytes); });
        bytes = std::string();
        const long before = StatusMB("VmRSS:");
        const double s = Seconds(open);
        std::printf("%-58s %7.3f s (%5.0f x reading it), peak %4ld MB (%ld MB before)\n", what, s,
                    s / read, StatusMB("VmHWM:"), before);
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

void Viewer(QApplication& app, const std::string& file) {
    TViewForm view;
    view.Open(file);
    while (!view.Viewer()->Complete())
        app.processEvents();
}

void Editor(const std::string& file) {
    TEditForm edit;
    edit.resize(600, 400);
    edit.Open(file);
    edit.show();
    edit.grab();
}

// koltool make-kolsed DECK --list, its output thrown away: time and peak memory.
void UnitList(const std::string& koltool, const std::string& dir) {
    const std::string deck = dir + "/UNITS.DCK";
    FILE* f = std::fopen(deck.c_str(), "wb");
    size_t bytes = 0;
    for (int k = 1; bytes < 20000000; ++k)
        bytes += size_t(std::fprintf(f, "UNIT %d TYPE 3 R\n* c\nPARAMETERS 2\n1 2.5\n", k));
    std::fputs("END\n", f);
    std::fclose(f);
    std::fflush(stdout);
    QElapsedTimer t;
    t.start();
    const pid_t child = fork();
    if (child == 0) {
        if (!std::freopen("/dev/null", "w", stdout)) _exit(126);
        execl(koltool.c_str(), koltool.c_str(), "make-kolsed", deck.c_str(), "--engine-dir",
              dir.c_str(), "--list", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage use{};
    wait4(child, &status, 0, &use);
    std::printf("%-58s %7.3f s, peak %4ld MB\n", "koltool make-kolsed --list, 20 MB of units",
                double(t.nsecsElapsed()) / 1e9, use.ru_maxrss / 1024);
    std::remove(deck.c_str());
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    // First, while this process is small: a child's peak counts what it had before its exec.
    if (argc > 2) UnitList(argv[2], dir);
    QApplication app(argc, argv);
    const std::string million = dir + "/MILLION.DCK", most = dir + "/MOST.DCK",
                      wide = dir + "/WIDE.DCK";
    Write(million, 18, 20000000);
    Write(most, size_t(EditBytesMax / EditLinesMax) - 2, size_t(EditBytesMax));
    Write(wide, size_t(EditLineCharsMax), size_t(EditBytesMax));
    std::printf("MILLION.DCK: %s\n", TooLargeToEdit(million).c_str());
    Case("20 MB in 1,000,000 lines, in the viewer (whole index)", million,
         [&] { Viewer(app, million); });
    Case("the same forced into the editor (first paint)", million, [&] { Editor(million); });
    Case("20 MB in 200,000 lines in the editor (first paint)", most, [&] { Editor(most); });
    Case("20 MB in 1,000 lines of 20,000 in the editor (first paint)", wide, [&] { Editor(wide); });
    const std::string big = dir + "/EMPTY200.LST";
    Write(big, 0, 200000000);
    TLineIndex index;
    index.Open(big);
    while (index.IndexStep(1 << 20)) {
    }
    std::printf("line index over 200 MB of CR LF lines: %zu lines, %.2f bytes a line\n",
                index.LineCount(), double(index.IndexBytes()) / double(index.LineCount()));
    for (const std::string& f : {million, most, wide, big})
        std::remove(f.c_str());

    return 0;
}
