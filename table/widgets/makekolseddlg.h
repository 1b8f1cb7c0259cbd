// "Make KOLSED File": the units of a plain deck, and for the chosen unit the parameters and
// inputs that can become form fields. A thin layer over the generator core.
#pragma once

#include "table/generator.h"

#include <QDialog>

class QListWidget;
class QListWidgetItem;
class QPushButton;
class QCheckBox;

namespace kolshell {

class TMakeKOLSEDDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TMakeKOLSEDDlg(QWidget* parent = nullptr);

    // Reads the deck and lists its units; the first one is shown.
    void MakeDeck(const std::string& deckName, const std::string& engineDir);
    // Stores the choices, asks for the file name and writes it; the lists are released.
    void OKBtnClick();

    TGenerator& Generator() { return g_; }
    // The ".KSD" file OK wrote; empty when none was written.
    const std::string& WrittenName() const { return written_; }

    QListWidget *UnitBox, *ParBox, *InpBox;
    QPushButton *All, *None, *OKBtn, *CancelBtn;
    QCheckBox *Header, *Simulationcard;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void UnitChosen(int row);
    void StoreSelections();
    void ShowUnit();
    void InpBoxPressed(QListWidgetItem* item);
    void AllClick(bool select);

    TGenerator g_;
    std::string deckName_, written_;
    int current_ = -1;
    bool inputsLast_ = false; // the inputs list had the focus last
};

} // namespace kolshell
