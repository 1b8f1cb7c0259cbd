#include "table/widgets/makekolseddlg.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/diagnosticsview.h"
#include "common/widgets/dialogkeys.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/qtext.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace kolshell {

namespace {

QListWidget* List(QWidget* parent, const char* name, bool multi) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    if (multi) list->setSelectionMode(QAbstractItemView::MultiSelection);
    return list;
}

QLabel* Caption(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TMakeKOLSEDDlg::TMakeKOLSEDDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Make KOLSED File");
    UnitBox = List(this, "UnitBox", false);
    ParBox = List(this, "ParBox", true);
    InpBox = List(this, "InpBox", true);
    All = new QPushButton("&All", this);
    All->setObjectName("All");
    None = new QPushButton("&None", this);
    None->setObjectName("None");
    auto* include = new QGroupBox("Include", this);
    Header = new QCheckBox("&Header", include);
    Header->setObjectName("Header");
    Simulationcard = new QCheckBox("Simulation &card", include);
    Simulationcard->setObjectName("Simulationcard");
    auto* includeLayout = new QVBoxLayout(include);
    includeLayout->addWidget(Header);
    includeLayout->addWidget(Simulationcard);
    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");

    auto* grid = new QGridLayout(this);
    grid->addWidget(Caption("&Units", UnitBox), 0, 0);
    grid->addWidget(UnitBox, 1, 0, 1, 2);
    grid->addWidget(Caption("&Parameters", ParBox), 2, 0);
    grid->addWidget(ParBox, 3, 0, 1, 2);
    grid->addWidget(Caption("&Inputs", InpBox), 4, 0);
    grid->addWidget(InpBox, 5, 0, 1, 2);
    auto* note = new QLabel("* marks a value that cannot become a field: a name, or a "
                            "connected input.",
                            this);
    note->setObjectName("StarNote");
    note->setWordWrap(true);
    grid->addWidget(note, 6, 0, 1, 2);
    auto* side = new QVBoxLayout;
    for (QWidget* w :
         {static_cast<QWidget*>(All), static_cast<QWidget*>(None), static_cast<QWidget*>(include),
          static_cast<QWidget*>(OKBtn), static_cast<QWidget*>(CancelBtn)})
        side->addWidget(w);
    side->addStretch();
    grid->addLayout(side, 1, 2, 6, 1);
    resize(620, 460);

    connect(UnitBox, &QListWidget::currentRowChanged, this, &TMakeKOLSEDDlg::UnitChosen);
    connect(InpBox, &QListWidget::itemPressed, this, &TMakeKOLSEDDlg::InpBoxPressed);
    connect(All, &QPushButton::clicked, this, [this] { AllClick(true); });
    connect(None, &QPushButton::clicked, this, [this] { AllClick(false); });
    connect(OKBtn, &QPushButton::clicked, this, &TMakeKOLSEDDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    for (QWidget* w : {UnitBox, ParBox, InpBox})
        w->installEventFilter(this);
    MakeDefaultButton(OKBtn);
}

void TMakeKOLSEDDlg::MakeDeck(const std::string& deckName, const std::string& engineDir) {
    deckName_ = deckName;
    TDiagnostics diagnostics;
    kolshell::MakeDeck(g_, deckName, engineDir, diagnostics);
    ShowDiagnostics(diagnostics);
    current_ = -1;
    UnitBox->clear();
    for (const DeckUnit& u : g_.MakeUnits)
        UnitBox->addItem(ToQ(u.DisplayText));
    if (UnitBox->count() > 0) UnitBox->setCurrentRow(0);
}

void TMakeKOLSEDDlg::showEvent(QShowEvent* event) {
    Header->setChecked(Options().IncludeHeader >= 1);
    Simulationcard->setChecked(Options().IncludeSimulationCard >= 1);
    QDialog::showEvent(event);
}

bool TMakeKOLSEDDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) inputsLast_ = watched == InpBox;
    return QDialog::eventFilter(watched, event);
}

// Keeps the lists' selections in the unit shown so far; only lines that can be chosen count.
void TMakeKOLSEDDlg::StoreSelections() {
    if (current_ < 0 || size_t(current_) >= g_.MakeUnits.size()) return;
    DeckUnit& u = g_.MakeUnits[size_t(current_)];
    for (int i = 0; i < ParBox->count(); ++i)
        SetSelected(u, false, size_t(i), ParBox->item(i)->isSelected());
    for (int i = 0; i < InpBox->count(); ++i)
        SetSelected(u, true, size_t(i), InpBox->item(i)->isSelected());
}

// Lines marked "*" stay pressable (the inputs list beeps) but can never be selected.
static void AddLines(QListWidget* list, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        auto* item = new QListWidgetItem(ToQ(line), list);
        if (!line.empty() && line[0] == '*') item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
    }
}

void TMakeKOLSEDDlg::ShowUnit() {
    ParBox->clear();
    InpBox->clear();
    if (current_ < 0) return;
    const DeckUnit& u = g_.MakeUnits[size_t(current_)];
    AddLines(ParBox, SelectionLines(u, false));
    AddLines(InpBox, SelectionLines(u, true));
    for (size_t i = 0; i < u.ParamDescriptions.size(); ++i)
        ParBox->item(int(i))->setSelected(u.ParamDescriptions[i].Selected);
    for (size_t i = 0; i < u.InputDescriptions.size(); ++i)
        InpBox->item(int(i))->setSelected(u.InputDescriptions[i].Selected);
}

void TMakeKOLSEDDlg::UnitChosen(int row) {
    StoreSelections();
    current_ = row;
    ShowUnit();
}

void TMakeKOLSEDDlg::InpBoxPressed(QListWidgetItem* item) {
    if (!item->text().startsWith('*')) return;
    item->setSelected(false);
    Beep();
}

void TMakeKOLSEDDlg::AllClick(bool select) {
    QListWidget* list = inputsLast_ ? InpBox : ParBox;
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSelected(select && !list->item(i)->text().startsWith('*'));
}

void TMakeKOLSEDDlg::OKBtnClick() {
    StoreSelections();
    int index = 1;
    const QString chosen = AskSaveName(this, "Save KOLSED file", ToQ(ProposedKsdName(deckName_)),
                                       "KOLSED File|*.KSD", &index);
    if (!chosen.isEmpty()) {
        TDiagnostics diagnostics;
        if (WriteKsd(g_, FromQ(chosen), Header->isChecked(), Simulationcard->isChecked(),
                     diagnostics))
            written_ = FromQ(chosen);
        ShowDiagnostics(diagnostics);
    }
    g_ = TGenerator();
    accept();
}

} // namespace kolshell
