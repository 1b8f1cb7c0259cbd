#include "shell/widgets/helpviewer.h"

#include "common/paths.h"

#include <QDesktopServices>
#include <QUrl>

namespace kolshell {

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

namespace {
HelpContextHandler& ContextHandler() {
    static HelpContextHandler handler;
    return handler;
}
} // namespace

void ShowHelpContext(int context) {
    if (ContextHandler()) ContextHandler()(context);
}

HelpContextHandler SetHelpContextHandler(HelpContextHandler handler) {
    HelpContextHandler old = ContextHandler();
    ContextHandler() = std::move(handler);
    return old;
}

} // namespace kolshell
