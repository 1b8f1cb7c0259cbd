// "Select Project": the ready-made projects of an index file, with a picture and a help text
// for each.
#pragma once

#include "shell/indexfile.h"

#include <QDialog>
#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace kolshell {

class TIndexDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TIndexDlg(const std::string& indexFile, QWidget* parent = nullptr);

    // Opens the chosen project (the main window's ReadaFile).
    std::function<void(const std::string&)> OpenProject;

    void FormActivate();
    void ListBox1Click();
    void OKBtnClick();
    void ListBox1DblClick();
    void HelpBtnClick();

    QListWidget* ListBox() const { return list_; }
    // The selected entry's files, resolved against the index file's directory.
    TIndexItem SelectedItem() const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    int SelectedRow() const;
    bool OpenSelected();

    std::string indexFile_;
    TIndexFile index_;
    bool busy_ = false;
    QLabel* image_;
    QLabel* labels_[3];
    QListWidget* list_;
    QPushButton* ok_;
    QPushButton* help_;
};

} // namespace kolshell
