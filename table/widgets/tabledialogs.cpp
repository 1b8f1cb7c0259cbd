#include "table/widgets/tabledialogs.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/widgets/diagnosticsview.h"
#include "common/widgets/dialogkeys.h"
#include "common/widgets/listmoves.h"
#include "common/widgets/named.h"
#include "common/widgets/qtext.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <charconv>
#include <climits>

namespace kolshell {

namespace {

bool ReadInteger(const QLineEdit* edit, int& value) {
    std::string s = FromQ(edit->text());
    TrimBlanks(s, ShortStringMax);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size();
}

QPushButton* Button(QWidget* parent, const char* text, const char* name) {
    return Named(new QPushButton(text, parent), name);
}

// A label whose access key moves the focus to its field.
QLabel* Buddy(const char* text, QWidget* field) {
    auto* label = new QLabel(text);
    label->setBuddy(field);
    return label;
}

constexpr int EntryRole = Qt::UserRole; // the line's deck-constant entry, -1 for none

} // namespace

// ---- New Parametric Table ----

TNewTableDlg::TNewTableDlg(const std::string& deckName, TTable* table, QWidget* parent)
    : QDialog(parent), table_(table) {
    setWindowTitle("New Parametric Table");
    constants_ = ScanDeckConstants(deckName, Options().UnitSystem);
    RunsEdit = Named(new QLineEdit("10", this), "Runs");
    auto* src = Named(new TMoveList(this), "SrcList");
    auto* dst = Named(new TMoveList(this), "DstList");
    src->Partner = dst;
    dst->Partner = src;
    dst->Dropped = [this] { Move(SrcList, DstList, false); };
    src->Dropped = [this] { Move(DstList, SrcList, false); };
    SrcList = src;
    DstList = dst;
    for (QListWidget* l : {SrcList, DstList})
        l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    IncludeBtn = Button(this, ">", "IncludeBtn");
    IncAllBtn = Button(this, ">>", "IncAllBtn");
    ExcludeBtn = Button(this, "<", "ExcludeBtn");
    ExAllBtn = Button(this, "<<", "ExAllBtn");
    OKBtn = Button(this, "OK", "OKBtn");
    CancelBtn = Button(this, "Cancel", "CancelBtn");
    UnitsLabel = new QLabel(this);
    DescriptionLabel = new QLabel(this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Buddy("No. of &Runs", RunsEdit), 0, 0);
    grid->addWidget(RunsEdit, 0, 1);
    grid->addWidget(Buddy("Parameters in &File", SrcList), 1, 0);
    grid->addWidget(Buddy("Parameters in &Table", DstList), 1, 2);
    grid->addWidget(SrcList, 2, 0);
    auto* moves = new QVBoxLayout;
    for (QPushButton* b : {IncludeBtn, IncAllBtn, ExcludeBtn, ExAllBtn})
        moves->addWidget(b);
    moves->addStretch();
    grid->addLayout(moves, 2, 1);
    grid->addWidget(DstList, 2, 2);
    auto* panel = new QGroupBox(this);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(UnitsLabel);
    panelLayout->addWidget(DescriptionLabel);
    grid->addWidget(panel, 3, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    grid->addLayout(buttons, 4, 0, 1, 3);

    auto add = [](QListWidget* list, const std::string& name, int entry) {
        auto* item = new QListWidgetItem(ToQ(name), list);
        item->setData(EntryRole, entry);
    };
    const int n = constants_ ? int(constants_->size()) : 0;
    auto entryOf = [&](const std::string& name) {
        for (int i = 0; i < n; ++i)
            if ((*constants_)[size_t(i)].Name == name) return i;
        return -1;
    };
    if (table_) {
        RunsEdit->setEnabled(false);
        RunsEdit->setText(QString::number(table_->Runs()));
        for (const TableColumn& c : table_->Columns)
            add(DstList, c.Name, entryOf(c.Name));
    }
    for (int i = 0; i < n; ++i) {
        const DeckConstant& c = (*constants_)[size_t(i)];
        if (!c.Name.empty() && DstList->findItems(ToQ(c.Name), Qt::MatchExactly).isEmpty())
            add(SrcList, c.Name, i);
    }
    SrcList->setSortingEnabled(true);
    SrcList->sortItems();
    for (QListWidget* l : {SrcList, DstList})
        connect(l, &QListWidget::itemPressed, this,
                [this](QListWidgetItem* item) { ShowEntry(item->data(EntryRole).toInt()); });
    connect(IncludeBtn, &QPushButton::clicked, this, [this] { Move(SrcList, DstList, false); });
    connect(IncAllBtn, &QPushButton::clicked, this, [this] { Move(SrcList, DstList, true); });
    connect(ExcludeBtn, &QPushButton::clicked, this, [this] { Move(DstList, SrcList, false); });
    connect(ExAllBtn, &QPushButton::clicked, this, [this] { Move(DstList, SrcList, true); });
    connect(OKBtn, &QPushButton::clicked, this, &TNewTableDlg::OKClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    IncludeBtn->setToolTip("Include the chosen parameters");
    IncAllBtn->setToolTip("Include all parameters");
    ExcludeBtn->setToolTip("Leave the chosen parameters out");
    ExAllBtn->setToolTip("Leave all parameters out");
    MakeDefaultButton(OKBtn);
    SetTabOrder({RunsEdit, SrcList, IncludeBtn, IncAllBtn, ExcludeBtn, ExAllBtn, DstList, OKBtn,
                 CancelBtn});
    SetButtons();
}

std::vector<std::string> TNewTableDlg::Chosen() const {
    std::vector<std::string> names;
    for (int i = 0; i < DstList->count(); ++i)
        names.push_back(FromQ(DstList->item(i)->text()));
    return names;
}

void TNewTableDlg::ShowEntry(int entry) {
    if (!constants_ || entry < 0 || size_t(entry) >= constants_->size()) {
        UnitsLabel->clear();
        DescriptionLabel->clear();
        return;
    }
    UnitsLabel->setText(ToQ((*constants_)[size_t(entry)].Units));
    DescriptionLabel->setText(ToQ((*constants_)[size_t(entry)].Description));
}

// ">" takes the selected lines from the last to the first; ">>" takes every line in order.
void TNewTableDlg::Move(QListWidget* from, QListWidget* to, bool all) {
    MoveListItems(from, to, all, true);
    SetButtons();
}

void TNewTableDlg::SetButtons() {
    IncludeBtn->setEnabled(SrcList->count() > 0);
    IncAllBtn->setEnabled(SrcList->count() > 0);
    for (QPushButton* b : {ExcludeBtn, ExAllBtn, OKBtn})
        b->setEnabled(DstList->count() > 0);
}

void TNewTableDlg::OKClick() {
    if (!table_) {
        // The count is checked before anything else happens, so a typo costs nothing.
        std::string message;
        if (!ParseRunCount(FromQ(RunsEdit->text()), runs_, message)) {
            ShowMsg(message, MsgKind::Error, true);
            RunsEdit->setFocus();
            RunsEdit->selectAll();
            return;
        }
    }
    accept();
}

// ---- Alter Table Values ----

int TAlterValuesDlg::AlterFirstRun = 1;
int TAlterValuesDlg::AlterLastRun = 5;

TAlterValuesDlg::TAlterValuesDlg(TTable& table, QWidget* parent) : QDialog(parent), t_(table) {
    setWindowTitle("Alter Table Values");
    FirstRunV = Named(new QLineEdit(QString::number(AlterFirstRun), this), "FirstRunV");
    LastRunV = Named(new QLineEdit(QString::number(AlterLastRun), this), "LastRunV");
    ColumnList = Named(new QListWidget(this), "ColumnList");
    for (const TableColumn& c : t_.Columns)
        ColumnList->addItem(ToQ(c.Name));
    if (ColumnList->count() > 0) ColumnList->setCurrentRow(0);
    ClearValues = Named(new QRadioButton("C&lear Values", this), "ClearValues");
    SetValues = Named(new QRadioButton("&Set Values", this), "SetValues");
    SetValues->setChecked(true);
    FirstValue = Named(new QLineEdit(this), "FirstValue");
    firstLabel_ = Buddy("First &Value", FirstValue);
    LastIncBox = Named(new QToolButton(this), "LastIncBox");
    IncorLast = Named(new QLineEdit(this), "IncorLast");
    auto* menu = new QMenu(LastIncBox);
    // The button keeps its key (E) whichever of the three it shows.
    menu->addAction("Last Valu&e", this, [this] { SetMode(AlterMode::LastValue); });
    menu->addAction("Incr&ement", this, [this] { SetMode(AlterMode::Increment); });
    menu->addAction("Multipli&er", this, [this] { SetMode(AlterMode::Multiplier); });
    LastIncBox->setMenu(menu);
    LastIncBox->setPopupMode(QToolButton::InstantPopup);
    OKBtn = Button(this, "OK", "OKBtn");
    ApplyBtn = Button(this, "&Apply", "ApplyBtn");
    CancelBtn = Button(this, "Cancel", "CancelBtn");

    auto* grid = new QGridLayout(this);
    grid->addWidget(Buddy("&First Run", FirstRunV), 0, 0);
    grid->addWidget(FirstRunV, 0, 1);
    grid->addWidget(Buddy("Las&t Run", LastRunV), 1, 0);
    grid->addWidget(LastRunV, 1, 1);
    grid->addWidget(ColumnList, 0, 2, 5, 1);
    grid->addWidget(ClearValues, 2, 0);
    grid->addWidget(SetValues, 2, 1);
    grid->addWidget(firstLabel_, 3, 0);
    grid->addWidget(FirstValue, 3, 1);
    grid->addWidget(LastIncBox, 4, 0);
    grid->addWidget(IncorLast, 4, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {OKBtn, ApplyBtn, CancelBtn})
        buttons->addWidget(b);
    grid->addLayout(buttons, 5, 0, 1, 3);
    SetMode(AlterMode::Increment);

    connect(ClearValues, &QRadioButton::toggled, this, &TAlterValuesDlg::ShowSetFields);
    connect(OKBtn, &QPushButton::clicked, this, [this] {
        if (Fill()) accept();
    });
    connect(ApplyBtn, &QPushButton::clicked, this, &TAlterValuesDlg::Fill);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    ColumnList->setToolTip("The column to alter");
    MakeDefaultButton(OKBtn);
    SetTabOrder({FirstRunV, LastRunV, ClearValues, SetValues, FirstValue, LastIncBox, IncorLast,
                 ColumnList, OKBtn, ApplyBtn, CancelBtn});
}

void TAlterValuesDlg::SetMode(AlterMode mode) {
    mode_ = mode;
    LastIncBox->setText(mode == AlterMode::LastValue   ? "Last Valu&e"
                        : mode == AlterMode::Increment ? "Incr&ement"
                                                       : "Multipli&er");
}

void TAlterValuesDlg::ShowSetFields() {
    const bool set = !ClearValues->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(firstLabel_), static_cast<QWidget*>(FirstValue),
                       static_cast<QWidget*>(LastIncBox), static_cast<QWidget*>(IncorLast)})
        w->setVisible(set);
}

bool TAlterValuesDlg::Reject(QLineEdit* field) {
    Beep();
    if (field) {
        field->setFocus();
        field->selectAll();
    }
    return false;
}

bool TAlterValuesDlg::Fill() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    AlterRequest r;
    const bool set = !ClearValues->isChecked();
    bool ok = true;
    QLineEdit* bad = nullptr;
    if (!ReadInteger(FirstRunV, r.FirstRun))
        bad = FirstRunV;
    else if (!ReadInteger(LastRunV, r.LastRun))
        bad = LastRunV;
    else if (set && !StrToReal(FromQ(FirstValue->text()), r.First))
        bad = FirstValue;
    else if (set && !StrToReal(FromQ(IncorLast->text()), r.Second))
        bad = IncorLast;
    r.Column = ColumnList->currentRow() + 1;
    r.Clear = !set;
    r.Mode = mode_;
    TDiagnostics diagnostics;
    if (bad || !MemoryGuarded([&] { ok = AlterValues(t_, r, diagnostics); })) ok = false;
    QApplication::restoreOverrideCursor();
    ShowDiagnostics(diagnostics);
    if (!ok) return Reject(bad);
    AlterFirstRun = r.FirstRun;
    AlterLastRun = r.LastRun;
    FirstRunV->setText(QString::number(r.FirstRun));
    LastRunV->setText(QString::number(r.LastRun));
    if (Changed) Changed();
    return true;
}

// ---- Insert or Delete Table Runs ----

namespace {
std::string StoppedByText(const std::string& step) {
    return ": the last step of the table failed (" + step +
           "). Correct the cells (any edit clears this) and try again.";
}
} // namespace

TInsertRunsDlg::TInsertRunsDlg(TTable& table, QWidget* parent) : QDialog(parent), t_(table) {
    setWindowTitle("Insert or Delete Table Runs");
    InsertRows = Named(new QRadioButton("&Insert Rows", this), "InsertRows");
    DeleteRows = Named(new QRadioButton("&Delete Rows", this), "DeleteRows");
    RowsEdit = Named(new QLineEdit("10", this), "RowsEdit");
    AtTop = Named(new QRadioButton("At &top", this), "AtTop");
    AtBottom = Named(new QRadioButton("At &bottom", this), "AtBottom");
    AfterRow = Named(new QRadioButton("&After row", this), "AfterRow");
    AfterRowEdit = Named(new QLineEdit("2", this), "AfterRowEdit");
    OKBtn = Button(this, "OK", "OKBtn");
    CancelBtn = Button(this, "Cancel", "CancelBtn");
    auto* kind = new QButtonGroup(this);
    kind->addButton(InsertRows);
    kind->addButton(DeleteRows);
    auto* where = new QButtonGroup(this);
    for (QRadioButton* b : {AtTop, AtBottom, AfterRow})
        where->addButton(b);
    InsertRows->setChecked(true);
    AtTop->setChecked(true);
    AfterRowEdit->setEnabled(false);
    connect(AfterRow, &QRadioButton::toggled, AfterRowEdit, &QLineEdit::setEnabled);

    auto* grid = new QGridLayout(this);
    grid->addWidget(InsertRows, 0, 0);
    grid->addWidget(DeleteRows, 1, 0);
    grid->addWidget(Buddy("No. of &Rows", RowsEdit), 2, 0);
    grid->addWidget(RowsEdit, 2, 1);
    grid->addWidget(AtTop, 0, 2);
    grid->addWidget(AtBottom, 1, 2);
    grid->addWidget(AfterRow, 2, 2);
    grid->addWidget(AfterRowEdit, 2, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    grid->addLayout(buttons, 3, 0, 1, 4);
    connect(OKBtn, &QPushButton::clicked, this, &TInsertRunsDlg::OKClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    MakeDefaultButton(OKBtn);
}

void TInsertRunsDlg::OKClick() {
    int n = 0, after = 0;
    QLineEdit* bad = !ReadInteger(RowsEdit, n)                                    ? RowsEdit
                     : AfterRow->isChecked() && !ReadInteger(AfterRowEdit, after) ? AfterRowEdit
                                                                                  : nullptr;
    if (bad) {
        bad->setFocus();
        bad->selectAll();
        return;
    }
    if (DeleteRows->isChecked()) n = -std::max(n, -INT_MAX);
    const RunPosition at = AtTop->isChecked()      ? RunPosition::Top
                           : AtBottom->isChecked() ? RunPosition::Bottom
                                                   : RunPosition::After;
    std::string message;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool made =
        MemoryGuarded([&] { result_ = InsertDeleteRuns(t_, n, at, after, ErrorLevel, message); });
    QApplication::restoreOverrideCursor();
    if (!made) return;
    if (result_ == RunsResult::Rejected) {
        if (ErrorLevel != 0) message += StoppedByText(ErrorStep);
        ShowMsg(message, MsgKind::Error, true);
        return;
    }
    if (result_ == RunsResult::Done) TAlterValuesDlg::AlterLastRun = t_.Runs();
    accept();
}

} // namespace kolshell
