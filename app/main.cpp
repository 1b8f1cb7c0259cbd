#include "app/docrules.h"
#include "app/kolshellform.h"

#include "common/globals.h"
#include "common/lib1.h"
#include "common/paths.h"
#include "common/widgets/qtmsg.h"
#include "shell/widgets/aboutbox.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>
#include <cstring>

using namespace kolshell;

namespace {

// The name the program was started under: a second name (a link) selects KOLSED-only mode,
// so the link itself counts, not the file it points to, also when found on the PATH.
QString StartedAs(const char* argv0) {
    const QString a = QString::fromLocal8Bit(argv0);
    if (a.contains('/')) return QFileInfo(a).absoluteFilePath();
    return QCoreApplication::applicationDirPath() + "/" + a;
}

// --help and --version answer on the terminal, before (and without) a display; the exit
// status, or -1 when the program is to start.
int TerminalAnswer(int argc, char** argv) {
    const char* slash = std::strrchr(argv[0], '/');
    const char* name = slash ? slash + 1 : argv[0];
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", name, KOLSHELL_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("Usage: %s [FILE]\n"
                        "Opens FILE (a deck, form, table, plot, listing or other text file), "
                        "named relative\nto the current folder.\n\n"
                        "  --help     print this help and exit\n"
                        "  --version  print the version and exit\n",
                        name);
            return 0;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (const int status = TerminalAnswer(argc, argv); status >= 0) return status;
    QApplication app(argc, argv);
    const std::string exe = StartedAs(argv[0]).toStdString();
    Globals().KolsedOnlyMode = IsKolsedProgramName(exe);
    // The program directory is where the program really lies: /usr/bin/kolshell is a link.
    Globals().KolshellDir = QCoreApplication::applicationDirPath().toStdString();
    // Names on the command line and new files are the user's, relative to where the program
    // was started; the program never moves to its own directory.
    Globals().StartDir = GetCurrentDir();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::setApplicationName("KOLSHL32");
    // The installed icon where the desktop has it, else the About box's picture: every window,
    // the child windows too, carries the program's icon, never the toolkit's.
    QApplication::setWindowIcon(QIcon::fromTheme("kolshell", QIcon(ProgramPicture())));
    InstallMessageBoxes();

    TKOLSHELLFORM form;
    if (!form.StartedOk()) return 1;
    form.CreateDialogs();
    form.Recovery().CatchEndSignals();
    QApplication::restoreOverrideCursor();
    form.show();
    form.AboutBox()->exec();
    // A SIGTERM or SIGHUP while the About box showed has ended its loop already.
    if (form.Recovery().EndedBySignal()) return 0;
    form.Documents().FirstOpen = true;
    form.Documents().OpenStartFile(argc > 1 ? argv[1] : "");
    form.Recovery().OfferRestore();
    if (form.Recovery().EndedBySignal()) return 0;
    return app.exec();
}
