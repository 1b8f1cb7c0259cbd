// "Select Windows to Print": the open windows on the left, the ones to print in order on the
// right; OK prints them all in one job.
#pragma once

#include <QDialog>
#include <QList>

class QListWidget;
class QPushButton;

namespace kolshell {

class TChildForm;

class TPrintDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TPrintDlg(QWidget* parent = nullptr);

    // Lists the windows: the current one ready to print, the others to choose from.
    void FormActivate(const QList<TChildForm*>& children, TChildForm* current);
    void OKBtnClick();
    // The windows listed under "Print:", in order.
    QList<TChildForm*> Chosen() const;

    QListWidget *SrcList, *DstList;
    QPushButton *IncludeBtn, *IncAllBtn, *ExcludeBtn, *ExcAllBtn, *OKBtn, *HelpBtn, *CancelBtn;

  private:
    void SetButtons();
};

// "Please wait" while a job prints.
class TPrintProgress : public QWidget {
    Q_OBJECT
  public:
    TPrintProgress();
};

// A window caption as the lists show it: a plot up to its ":", else the file name part.
QString ShortCaption(const QString& caption);
// Without an installed printer the job goes to a PDF file: proposed beside the deck (or the
// first window's file), unless the user has chosen a file already.
void ProposePrintFile(const QList<TChildForm*>& windows);
// Prints the windows in one job on the program's printer; false, after saying why, when the
// job could not start.
bool PrintWindows(const QList<TChildForm*>& windows);

} // namespace kolshell
