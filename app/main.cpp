#include "app/kolshellform.h"

#include "common/globals.h"
#include "common/lib1.h"
#include "common/paths.h"
#include "common/widgets/qtmsg.h"
#include "shell/widgets/aboutbox.h"

#include <QApplication>
#include <QFileInfo>

namespace {

// The name the program was started under: a second name (a link) selects KOLSED-only mode,
// so the link itself counts, not the file it points to, also when found on the PATH.
QString StartedAs(const char* argv0) {
    const QString a = QString::fromLocal8Bit(argv0);
    if (a.contains('/')) return QFileInfo(a).absoluteFilePath();
    return QCoreApplication::applicationDirPath() + "/" + a;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string exe = StartedAs(argv[0]).toStdString();
    Globals().KolsedOnlyMode = UpStr(exe).find("KOLSED") != std::string::npos;
    // The program directory is where the program really lies: /usr/bin/kolshell is a link.
    Globals().KolshellDir = QCoreApplication::applicationDirPath().toStdString();
    // Names on the command line are the user's, relative to where the program was started:
    // noted before the start-up moves the current directory to the program directory.
    Globals().StartDir = GetCurrentDir();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::setApplicationName("KOLSHL32");
    InstallMessageBoxes();

    TKOLSHELLFORM form;
    if (!form.StartedOk()) return 1;
    form.CreateDialogs();
    QApplication::restoreOverrideCursor();
    form.show();
    form.AboutBox()->exec();
    form.Documents().FirstOpen = true;
    form.Documents().OpenStartFile(argc > 1 ? argv[1] : "");

    return app.exec();
}
