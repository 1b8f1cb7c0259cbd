#include "table/widgets/fillrunsdlg.h"

#include "common/lib1.h"
#include "common/messages.h"
#include "common/widgets/qtext.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <algorithm>

namespace kolshell {

namespace {

// Runs above this many are asked about first.
constexpr long long AskAbove = 1000;

template <typename W> W* Named(W* w, const char* name) {
    w->setObjectName(name);
    return w;
}

QString ValueText(Extended v) {
    return ToQ(FormatReal(ChooseFormat(4, v), v));
}

// The smallest and largest entered value of a column; 1 and 1 when none is.
std::pair<Extended, Extended> ValueRange(const TableColumn& c) {
    Extended lo = 0, hi = 0;
    bool any = false;
    for (size_t r = 1; r < c.Values.size(); ++r) {
        const Extended v = c.Values[r];
        if (v == UndefinedValue || v == BlankValue) continue;
        lo = any ? std::min(lo, v) : v;
        hi = any ? std::max(hi, v) : v;
        any = true;
    }
    return any ? std::make_pair(lo, hi) : std::make_pair(Extended(1), Extended(1));
}

} // namespace

TFillRunsDlg::TFillRunsDlg(TTable& table, QWidget* parent) : QDialog(parent), t_(table) {
    setWindowTitle("Fill Runs");
    GridBtn = Named(new QRadioButton("Full-factorial grid", this), "GridBtn");
    LhsBtn = Named(new QRadioButton("Latin hypercube sample", this), "LhsBtn");
    GridBtn->setChecked(true);
    VarGrid = Named(new QTableWidget(int(t_.Columns.size()), 6, this), "VarGrid");
    VarGrid->setHorizontalHeaderLabels({"Fill", "Variable", "First", "Last", "Count", "Log"});
    VarGrid->verticalHeader()->hide();
    for (int r = 0; r < int(t_.Columns.size()); ++r) {
        const TableColumn& c = t_.Columns[size_t(r)];
        const auto [lo, hi] = ValueRange(c);
        auto* fill = new QTableWidgetItem;
        fill->setCheckState(Qt::Unchecked);
        VarGrid->setItem(r, colFill, fill);
        auto* name = new QTableWidgetItem(ToQ(c.Name));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        VarGrid->setItem(r, colName, name);
        VarGrid->setItem(r, colFirst, new QTableWidgetItem(ValueText(lo)));
        VarGrid->setItem(r, colLast, new QTableWidgetItem(ValueText(hi)));
        VarGrid->setItem(r, colCount, new QTableWidgetItem("3"));
        auto* log = new QTableWidgetItem;
        log->setCheckState(Qt::Unchecked);
        VarGrid->setItem(r, colLog, log);
    }
    VarGrid->resizeColumnsToContents();
    RunsEdit = Named(new QLineEdit("20", this), "RunsEdit");
    SeedEdit = Named(new QLineEdit("1", this), "SeedEdit");
    RunsLabel = Named(new QLabel(this), "RunsLabel");
    OKBtn = Named(new QPushButton("OK", this), "OKBtn");
    CancelBtn = Named(new QPushButton("Cancel", this), "CancelBtn");
    OKBtn->setDefault(true);

    auto* lay = new QGridLayout(this);
    lay->addWidget(GridBtn, 0, 0, 1, 2);
    lay->addWidget(LhsBtn, 0, 2, 1, 2);
    lay->addWidget(VarGrid, 1, 0, 1, 4);
    lay->addWidget(new QLabel("Sample runs", this), 2, 0);
    lay->addWidget(RunsEdit, 2, 1);
    lay->addWidget(new QLabel("Seed", this), 2, 2);
    lay->addWidget(SeedEdit, 2, 3);
    lay->addWidget(RunsLabel, 3, 0, 1, 4);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    lay->addLayout(buttons, 4, 0, 1, 4);
    resize(560, 380);

    connect(GridBtn, &QRadioButton::toggled, this, &TFillRunsDlg::ShowMode);
    connect(VarGrid, &QTableWidget::itemChanged, this, &TFillRunsDlg::ShowRunCount);
    connect(RunsEdit, &QLineEdit::textChanged, this, &TFillRunsDlg::ShowRunCount);
    connect(OKBtn, &QPushButton::clicked, this, [this] {
        if (Fill()) accept();
    });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    ShowMode();
}

void TFillRunsDlg::ShowMode() {
    const bool grid = GridBtn->isChecked();
    RunsEdit->setEnabled(!grid);
    SeedEdit->setEnabled(!grid);
    for (int r = 0; r < VarGrid->rowCount(); ++r)
        if (QTableWidgetItem* count = VarGrid->item(r, colCount))
            count->setFlags(grid ? count->flags() | Qt::ItemIsEnabled | Qt::ItemIsEditable
                                 : count->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsEditable));
    ShowRunCount();
}

void TFillRunsDlg::ShowRunCount() {
    if (!RunsLabel) return;
    if (!GridBtn->isChecked()) {
        RunsLabel->setText("The table gets " + RunsEdit->text().trimmed() +
                           " runs; each range is cut into as many strata, each used once.");
        return;
    }
    long long runs = 1;
    int ticked = 0;
    for (int r = 0; r < VarGrid->rowCount(); ++r) {
        if (VarGrid->item(r, colFill)->checkState() != Qt::Checked) continue;
        ++ticked;
        runs = std::min<long long>(runs * std::max(0, VarGrid->item(r, colCount)->text().toInt()),
                                   100000000LL);
    }
    RunsLabel->setText(ticked ? QString("The table gets %1 runs, every combination once.").arg(runs)
                              : QString("Tick the variables to fill."));
}

bool TFillRunsDlg::ChosenVars(std::vector<TFillVar>& vars) {
    const bool grid = GridBtn->isChecked();
    vars.clear();
    for (int r = 0; r < VarGrid->rowCount(); ++r) {
        if (VarGrid->item(r, colFill)->checkState() != Qt::Checked) continue;
        TFillVar v;
        v.Name = UpStr(Trimmed(t_.Columns[size_t(r)].Name));
        v.Log = VarGrid->item(r, colLog)->checkState() == Qt::Checked;
        const std::pair<int, Extended*> fields[] = {{colFirst, &v.First}, {colLast, &v.Last}};
        for (const auto& [col, value] : fields)
            if (!StrToReal(FromQ(VarGrid->item(r, col)->text().trimmed()), *value)) {
                ShowMsg("'" + FromQ(VarGrid->item(r, col)->text()) + "' is not a number (" +
                            v.Name + ").",
                        MsgKind::Error, true);
                VarGrid->setCurrentCell(r, col);
                return false;
            }
        bool ok = true;
        v.Count = VarGrid->item(r, colCount)->text().trimmed().toInt(&ok);
        if (grid && (!ok || v.Count < 1)) {
            ShowMsg("The count of " + v.Name + " must be a whole number of at least 1.",
                    MsgKind::Error, true);
            VarGrid->setCurrentCell(r, colCount);
            return false;
        }
        vars.push_back(v);
    }
    return true;
}

bool TFillRunsDlg::Fill() {
    std::vector<TFillVar> vars;
    if (!ChosenVars(vars)) return false;
    const bool grid = GridBtn->isChecked();
    bool runsOk = true, seedOk = true;
    const int runs = grid ? int(std::min<long long>(GridRunCount(vars), MaxTableRuns + 1))
                          : RunsEdit->text().trimmed().toInt(&runsOk);
    const unsigned long long seed = SeedEdit->text().trimmed().toULongLong(&seedOk);
    if (!grid && (!runsOk || !seedOk)) {
        ShowMsg(runsOk ? "The seed must be a whole number of at least 0."
                       : "The number of sample runs must be a whole number from 1 to 9999.",
                MsgKind::Error, true);
        (runsOk ? SeedEdit : RunsEdit)->selectAll();
        return false;
    }
    std::string error;
    if (!CheckFill(t_, vars, grid, runs, error)) {
        ShowMsg(error, MsgKind::Error, true);
        return false;
    }
    if (runs > AskAbove &&
        ShowMsg("The table will have " + std::to_string(runs) + " runs. Fill it?",
                MsgKind::WarningYesNo, true) != MsgAnswer::Yes)
        return false;
    TTable filled = t_;
    const bool done =
        grid ? FillGrid(filled, vars, error) : FillLatinHypercube(filled, vars, runs, seed, error);
    if (!done) {
        ShowMsg(error, MsgKind::Error, true);
        return false;
    }
    t_ = std::move(filled);
    return true;
}

} // namespace kolshell
