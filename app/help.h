// The Help menu, F1 on whatever it is pressed on, the field help of a KOLSED form, and About.
#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <string>

namespace kolshell {

class TKOLSHELLFORM;
class THelpWindow;

class THelpController : public QObject {
    Q_OBJECT
  public:
    explicit THelpController(TKOLSHELLFORM& main);
    ~THelpController() override;

    void KOLVANIndex1Click();
    void TypesIndex1Click();
    void KOLVANIndex2Click();
    void KOLVANErrorMessges1Click();
    void UsingHelp1Click();
    void WebsiteClick();
    void AboutKOLSHELL1Click();
    QString WebsiteAddress() const;
    // The desktop's browser; tests replace it.
    std::function<bool(const QUrl&)> OpenUrl = [](const QUrl& u) {
        return QDesktopServices::openUrl(u);
    };
    // The program's help window, made on first use.
    THelpWindow* HelpWindow();
    // The help window of a form field (F1 in a KOLSED form).
    void ShowFieldHelp(const std::string& deck, int topic, const std::string& caption);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TKOLSHELLFORM& main_;
    QPointer<THelpWindow> helpWindow_;
};

} // namespace kolshell
