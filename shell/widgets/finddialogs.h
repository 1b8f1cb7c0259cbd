// The find and replace dialogs with the options of the Windows ones: direction, match case,
// whole word; replace one or all. They are modeless and call back on each button.
#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QGroupBox;

namespace kolshell {

class TFindDialog : public QDialog {
    Q_OBJECT
  public:
    // A replace dialog has a replace field, the replace buttons and no direction.
    explicit TFindDialog(bool replace, QWidget* parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString& text);
    QString ReplaceText() const;
    bool Down() const;
    void SetDown(bool down);
    bool MatchCase() const;
    bool WholeWord() const;
    void HideWholeWord();
    // Whether the last event came from Replace All.
    bool ReplaceAll() const { return replaceAll_; }

    std::function<void()> OnFind;
    std::function<void()> OnReplace;

    // Shows the dialog, or brings it forward, with the find text selected.
    void Execute();

  private:
    QLineEdit* findEdit_;
    QLineEdit* replaceEdit_ = nullptr;
    QGroupBox* direction_ = nullptr;
    QRadioButton* down_ = nullptr;
    QCheckBox* matchCase_;
    QCheckBox* wholeWord_;
    bool replaceAll_ = false;
};

} // namespace kolshell
