#include "app/notify.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#ifdef KOLSHELL_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#endif

namespace kolshell {

namespace {

#ifdef KOLSHELL_HAVE_DBUS
constexpr char Service[] = "org.freedesktop.Notifications";

bool NotifyOnBus(const QString& title, const QString& text) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(Service).value())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, "/org/freedesktop/Notifications",
                                                       Service, "Notify");
    call << QApplication::applicationName() << uint(0) << QString("kolshell") << title << text
         << QStringList() << QVariantMap() << int(-1);
    // Not waited for: the program never hangs on a slow service.
    return bus.send(call);
}
#endif

void NotifyInTray(QWidget* window, const QString& title, const QString& text) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    auto* tray = new QSystemTrayIcon(window ? window->windowIcon() : QIcon(), window);
    tray->show();
    tray->showMessage(title, text);
    QTimer::singleShot(15000, tray, &QObject::deleteLater);
}

} // namespace

void NotifyDesktop(QWidget* window, const QString& title, const QString& text) {
#ifdef KOLSHELL_HAVE_DBUS
    if (NotifyOnBus(title, text)) return;
#endif
    NotifyInTray(window, title, text);
}

} // namespace kolshell
