// A project's help text, reflowed into a read-only memo.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace kolshell {

class TAddHelpDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TAddHelpDlg(const std::string& subject, QWidget* parent = nullptr);

    // Loads a help text file; false when the dialog is not to be shown (the file went to the
    // platform help, or it was refused with a message).
    bool Load(const std::string& fileName);
    QPlainTextEdit* Memo() const { return memo_; }

  private:
    QPlainTextEdit* memo_;
    QPushButton* copy_;
};

} // namespace kolshell
