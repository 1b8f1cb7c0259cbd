#include "shell/widgets/helpviewer.h"

#include "common/paths.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
HelpHandler& Handler() {
    static HelpHandler handler;
    return handler;
}
} // namespace

void OpenHelpFile(const std::string& fileName) {
    if (Handler()) {
        Handler()(fileName);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(NativePath(fileName))));
}

HelpHandler SetHelpHandler(HelpHandler handler) {
    HelpHandler old = Handler();
    Handler() = std::move(handler);
    return old;
}
