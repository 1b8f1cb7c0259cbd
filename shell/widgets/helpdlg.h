// The help of one input of a KOLSED form: its topic from the deck's ".HLP" file.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;

namespace kolshell {

class THelpDlg : public QDialog {
    Q_OBJECT
  public:
    // Captioned with the form element's text; shows the topic or why there is none.
    THelpDlg(const std::string& deckName, int topic, const std::string& caption,
             QWidget* parent = nullptr);
    QPlainTextEdit* Memo;
};

} // namespace kolshell
