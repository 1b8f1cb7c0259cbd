#include "table/widgets/resultsform.h"

#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/qtext.h"
#include "plot/tableruns.h"
#include "run/widgets/runcontrol.h"
#include "table/responseplot.h"
#include "table/rundecks.h"
#include "table/widgets/tableform.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <numeric>

namespace kolshell {

namespace {

const char* const StatNames[] = {"final", "min", "max", "mean", "integral", "xmax"};

// The choices of the last Results window, offered by the next one.
struct TLastChoice {
    std::string File;
    QStringList Columns;
    std::vector<std::string> Stats = {"final", "max"};
    QString At;
};
TLastChoice& LastChoice() {
    static TLastChoice c;
    return c;
}

template <typename W> W* Named(W* w, const char* name) {
    w->setObjectName(name);
    return w;
}

double Seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// When the file of the runs' states last changed, and its size.
std::pair<qint64, qint64> StateStamp(const std::string& table) {
    const QFileInfo info(ToQ(RunStateFileName(table)));
    return {info.exists() ? info.lastModified().toMSecsSinceEpoch() : -1, info.size()};
}

int ReadingThreads() {
    return int(std::max(2u, std::min(8u, std::thread::hardware_concurrency())));
}

} // namespace

TResultsForm::TResultsForm(TTableForm* table, QWidget* parent)
    : QWidget(parent, Qt::Window), tableForm_(table), table_(table->Table()) {
    setObjectName("ResultsForm");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8("Results \u2013 ") + ToQ(table_.TableFileName));
    resize(1000, 560);
    Grid = Named(new QTableWidget(this), "ResultsGrid");
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->verticalHeader()->hide();
    Grid->setWordWrap(false);
    Progress = Named(new QLabel(this), "Progress");
    CopyBtn = Named(new QPushButton("Copy", this), "CopyBtn");
    ExportBtn = Named(new QPushButton("Export as CSV...", this), "ExportBtn");
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Progress, 1);
    bottom->addWidget(CopyBtn);
    bottom->addWidget(ExportBtn);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(ChoiceControls());
    lay->addWidget(Grid, 1);
    lay->addWidget(PlotControls());
    lay->addLayout(bottom);
    connect(CopyBtn, &QPushButton::clicked, this, &TResultsForm::CopyResults);
    connect(ExportBtn, &QPushButton::clicked, this, &TResultsForm::ExportCsv);
    connect(PlotBtn, &QPushButton::clicked, this, &TResultsForm::PlotResponse);
    connect(ShowBtn, &QPushButton::clicked, this, &TResultsForm::ShowResults);
    FillFiles();
    // A table run that starts or goes on while the window is open fills its rows in.
    watch_.setInterval(250);
    connect(&watch_, &QTimer::timeout, this, &TResultsForm::WatchRuns);
    watch_.start();
    ShowResults();
}

TResultsForm::~TResultsForm() {
    StopReading();
}

QWidget* TResultsForm::ChoiceControls() {
    auto* box = new QGroupBox("Results of", this);
    FileBox = Named(new QComboBox(box), "FileBox");
    ColumnList = Named(new QListWidget(box), "ColumnList");
    ColumnList->setSelectionMode(QAbstractItemView::MultiSelection);
    ColumnList->setFlow(QListView::LeftToRight);
    ColumnList->setWrapping(true);
    ColumnList->setMaximumHeight(64);
    auto* stats = new QHBoxLayout;
    for (const char* name : StatNames) {
        auto* b = new QCheckBox(name, box);
        b->setObjectName(QString("Stat_") + name);
        StatBoxes[name] = b;
        stats->addWidget(b);
    }
    StatBoxes["at"] = Named(new QCheckBox("at X =", box), "Stat_at");
    AtEdit = Named(new QLineEdit(LastChoice().At, box), "AtEdit");
    AtEdit->setMaximumWidth(100);
    stats->addWidget(StatBoxes["at"]);
    stats->addWidget(AtEdit);
    stats->addStretch(1);
    ShowBtn = Named(new QPushButton("Show", box), "ShowBtn");
    stats->addWidget(ShowBtn);
    for (const std::string& s : LastChoice().Stats)
        if (StatBoxes.count(s)) StatBoxes[s]->setChecked(true);
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel("Output file", box), 0, 0);
    grid->addWidget(FileBox, 0, 1);
    grid->addWidget(new QLabel("Columns", box), 1, 0);
    grid->addWidget(ColumnList, 1, 1);
    grid->addWidget(new QLabel("Statistics", box), 2, 0);
    grid->addLayout(stats, 2, 1);
    grid->setColumnStretch(1, 1);
    connect(FileBox, &QComboBox::currentIndexChanged, this, &TResultsForm::FillColumns);
    return box;
}

QWidget* TResultsForm::PlotControls() {
    auto* box = new QWidget(this);
    PlotY = Named(new QComboBox(box), "PlotY");
    PlotX = Named(new QComboBox(box), "PlotX");
    PlotFamily = Named(new QComboBox(box), "PlotFamily");
    PlotBtn = Named(new QPushButton("Plot", box), "PlotBtn");
    auto* lay = new QHBoxLayout(box);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(new QLabel("Plot", box));
    lay->addWidget(PlotY);
    lay->addWidget(new QLabel("against", box));
    lay->addWidget(PlotX);
    lay->addWidget(new QLabel("one line per", box));
    lay->addWidget(PlotFamily);
    lay->addWidget(PlotBtn);
    lay->addStretch(1);
    return box;
}

void TResultsForm::FillFiles() {
    const std::string dir = ExtractFileDir(table_.DeckName);
    const std::string base = UpStr(ExtractFileName(table_.DeckName));
    const std::string own = base.substr(0, base.find('.')) + ".OUT";
    QSignalBlocker block(FileBox);
    FileBox->clear();
    int chosen = -1;
    // The outputs there are, and those the deck will write (before its first run).
    std::vector<std::string> files = RunOneFiles(table_.DeckName);
    for (const std::string& f : RunOwnFiles(table_.DeckName)) {
        const std::string name = UpStr(ExtractFileName(f));
        if (std::none_of(files.begin(), files.end(),
                         [&](const std::string& g) { return UpStr(g) == name; }))
            files.push_back(name);
    }
    for (const std::string& f : files) {
        if (UpStr(f) == UpStr(LastChoice().File) || (chosen < 0 && UpStr(f) == own))
            chosen = FileBox->count();
        FileBox->addItem(ToQ(f), ToQ(JoinPath(dir, f)));
    }
    FileBox->setCurrentIndex(std::max(chosen, FileBox->count() ? 0 : -1));
    FillColumns();
}

void TResultsForm::FillColumns() {
    ColumnList->clear();
    if (FileBox->currentIndex() < 0) return;
    const TOutputData d = ReadOutputHeader(FromQ(FileBox->currentData().toString()));
    bool any = false;
    for (int c = 1; c <= d.NCols; ++c) {
        const QString name = ToQ(Trimmed(d.Names[size_t(c)]));
        auto* item = new QListWidgetItem(name, ColumnList);
        const bool wanted = LastChoice().Columns.contains(name);
        item->setSelected(wanted);
        any = any || wanted;
    }
    // The first column is X: the first one after it is the one asked for first.
    if (!any && ColumnList->count() > 1) ColumnList->item(1)->setSelected(true);
}

bool TResultsForm::ChosenRequest(TResultRequest& request) {
    request = TResultRequest();
    request.File = FromQ(FileBox->currentData().toString());
    for (int i = 0; i < ColumnList->count(); ++i)
        if (ColumnList->item(i)->isSelected())
            request.Columns.push_back(FromQ(ColumnList->item(i)->text()));
    std::string words;
    for (const auto& [name, box] : StatBoxes)
        if (box->isChecked())
            words += (words.empty() ? "" : ",") +
                     (name == "at" ? "at=" + FromQ(AtEdit->text().trimmed()) : name);
    // In the order the boxes stand, "at" last.
    std::vector<TStatistic> stats;
    std::string error;
    if (!ParseStatistics(words, stats, error)) {
        ShowMsg("'" + FromQ(AtEdit->text()) + "' is not a number: give the X of \"at X =\".",
                MsgKind::Error, true);
        return false;
    }
    for (const char* name : StatNames)
        for (const TStatistic& s : stats)
            if (s.Name() == name) request.Stats.push_back(s);
    for (const TStatistic& s : stats)
        if (s.Kind == TStatKind::At) request.Stats.push_back(s);
    TLastChoice& last = LastChoice();
    last.File = ExtractFileName(request.File);
    last.Columns.clear();
    for (const std::string& c : request.Columns)
        last.Columns << ToQ(c);
    last.Stats.clear();
    for (const auto& [name, box] : StatBoxes)
        if (box->isChecked()) last.Stats.push_back(name);
    last.At = AtEdit->text();
    return true;
}

void TResultsForm::ShowResults() {
    TResultRequest request;
    if (!ChosenRequest(request)) return;
    StopReading();
    if (tableForm_) table_ = tableForm_->Table();
    request_ = request;
    stamp_ = StateStamp(table_.TableFileName);
    results_ = PrepareResults(table_, request_, ReadRunStates(table_.TableFileName));
    if (followed_) disconnect(followed_, nullptr, this, nullptr);
    followed_ = nullptr;
    ShowHeader();
    Grid->setRowCount(int(results_.Rows.size()));
    WatchRuns(); // the states of a table run going on
    std::vector<size_t> rows;
    for (size_t i = 0; i < results_.Rows.size(); ++i) {
        ShowRow(i);
        if (results_.Rows[i].State == TRunState::Done && !request_.Stats.empty()) rows.push_back(i);
    }
    SizeColumns();
    FillPlotChoices();
    Read(rows);
}

void TResultsForm::SizeColumns() {
    Grid->resizeColumnsToContents();
    // Room for the states a run may still come to.
    const int state = Grid->fontMetrics().horizontalAdvance("failed: exit status 255") + 12;
    Grid->setColumnWidth(1, std::max(Grid->columnWidth(1), state));
}

void TResultsForm::ShowHeader() {
    QStringList labels;
    for (const std::string& h : ResultHeader(results_))
        labels << ToQ(h);
    Grid->setColumnCount(labels.size());
    Grid->setHorizontalHeaderLabels(labels);
}

namespace {

// A cell as the window shows it: the table's values as the table shows them, the results to
// seven digits (Copy and Export give them whole).
QString ShownCell(const TResults& r, size_t row, size_t c, const std::string& cell) {
    const size_t vars = r.Variables.size();
    if (c < 2 || cell.empty()) return ToQ(cell);
    if (c < 2 + vars) {
        const Extended v = r.TableValues[row][c - 2];
        return ToQ(FormatReal(ChooseFormat(4, v), v));
    }
    return QString::number(*r.Rows[row].Values[c - 2 - vars], 'g', 7);
}

} // namespace

void TResultsForm::ShowRow(size_t i) {
    if (int(i) >= Grid->rowCount()) return; // a run the grid does not show yet: shown with it
    const std::vector<std::string> cells = ResultCells(results_, i);
    // A cell the grid has no column for would not be taken by the grid (and so never freed).
    const int columns = std::min(int(cells.size()), Grid->columnCount());
    for (int c = 0; c < columns; ++c) {
        QTableWidgetItem* item = Grid->item(int(i), c);
        if (!item) {
            item = new QTableWidgetItem;
            if (c != 1) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            Grid->setItem(int(i), c, item);
        }
        item->setText(ShownCell(results_, i, size_t(c), cells[size_t(c)]));
    }
}

void TResultsForm::FillPlotChoices() {
    PlotY->clear();
    PlotX->clear();
    PlotFamily->clear();
    for (const std::string& r : results_.Results)
        PlotY->addItem(ToQ(r));
    PlotFamily->addItem("(none)");
    for (const std::string& v : results_.Variables) {
        PlotX->addItem(ToQ(v));
        PlotFamily->addItem(ToQ(v));
    }
}

void TResultsForm::Read(std::vector<size_t> rows) {
    if (busy_) {
        queued_.insert(queued_.end(), rows.begin(), rows.end());
        return;
    }
    if (rows.empty()) {
        ShowProgress(0, 0);
        emit ResultsShown();
        return;
    }
    if (worker_.joinable()) worker_.join();
    busy_ = true;
    started_ = Seconds();
    // The worker reads into copies of the rows; the window takes them back when it is done.
    auto work = std::make_shared<TResults>();
    work->Results = results_.Results;
    work->Units.assign(results_.Units.size(), std::string());
    for (size_t i : rows)
        work->Rows.push_back(results_.Rows[i]);
    auto table = std::make_shared<TTable>(table_);
    const TResultRequest request = request_;
    const unsigned generation = generation_;
    const size_t count = rows.size(), step = std::max<size_t>(1, count / 50);
    ShowProgress(0, count);
    worker_ = std::thread([this, work, table, request, rows, generation, count, step] {
        std::vector<size_t> all(count);
        std::iota(all.begin(), all.end(), size_t(0));
        ReadResults(
            *table, request, *work, all, ReadingThreads(),
            [this, count, step](size_t done) {
                if (done % step == 0 && done < count)
                    QMetaObject::invokeMethod(
                        this, [this, done, count] { ShowProgress(done, count); },
                        Qt::QueuedConnection);
            },
            &cancel_);
        QMetaObject::invokeMethod(
            this, [this, work, rows, generation] { ReadingDone(*work, rows, generation); },
            Qt::QueuedConnection);
    });
}

void TResultsForm::ReadingDone(const TResults& read, const std::vector<size_t>& rows,
                               unsigned generation) {
    if (generation != generation_) return; // read for choices given up since
    busy_ = false;
    bool units = false;
    for (size_t k = 0; k < results_.Units.size(); ++k)
        if (results_.Units[k].empty() && !read.Units[k].empty()) {
            results_.Units[k] = read.Units[k];
            units = true;
        }
    if (units) ShowHeader();
    Grid->setUpdatesEnabled(false);
    for (size_t j = 0; j < rows.size(); ++j) {
        TResultRow& row = results_.Rows[rows[j]];
        // A row whose run has started again meanwhile keeps its new state.
        if (row.State != TRunState::Done) continue;
        row = read.Rows[j];
        ShowRow(rows[j]);
    }
    Grid->setUpdatesEnabled(true);
    SizeColumns();
    if (started_ > 0)
        Progress->setText(QString("%1 %2 read in %3 s")
                              .arg(rows.size())
                              .arg(rows.size() == 1 ? "output" : "outputs")
                              .arg(Seconds() - started_, 0, 'f', 2));
    std::vector<size_t> next;
    next.swap(queued_);
    if (!next.empty())
        Read(next);
    else
        emit ResultsShown();
}

void TResultsForm::StopReading() {
    ++generation_;
    queued_.clear();
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
    cancel_ = false;
    busy_ = false;
}

void TResultsForm::ShowProgress(size_t done, size_t count) {
    if (!count) {
        Progress->clear();
        return;
    }
    Progress->setText(QString("Reading the outputs: %1 of %2").arg(done).arg(count));
}

void TResultsForm::WatchRuns() {
    TRunController* run = TRunController::Active();
    // Runs that ended unseen (too quick to follow, or run by koltool) changed their states.
    if (!run && !busy_ && StateStamp(table_.TableFileName) != stamp_) return ShowResults();
    if (!run || run == followed_ || run->RunKind() != TRunController::Kind::Table) return;
    const std::vector<TRun>& runs = run->Set().Runs();
    if (runs.empty() || !IsRunOfTable(table_, runs.front())) return;
    followed_ = run;
    connect(run, &TRunController::RunChanged, this, &TResultsForm::RunChanged);
    for (const TRun& r : runs)
        if (r.Number <= int(results_.Rows.size())) TakeRunState(size_t(r.Number - 1), r);
}

void TResultsForm::TakeRunState(size_t row, const TRun& run) {
    TResultRow& r = results_.Rows[row];
    r.State = run.State;
    r.Why = run.State == TRunState::Failed
                ? "exit status " + std::to_string(run.Signal ? 128 + run.Signal : run.ExitStatus)
                : std::string();
    std::fill(r.Values.begin(), r.Values.end(), std::nullopt);
    ShowRow(row);
}

void TResultsForm::RunChanged(int index) {
    if (!followed_) return;
    const TRun& run = followed_->Set().Runs()[size_t(index)];
    if (!IsRunOfTable(table_, run) || run.Number > int(results_.Rows.size())) return;
    const size_t row = size_t(run.Number - 1);
    TakeRunState(row, run);
    if (run.State != TRunState::Done) return;
    // The first output of a deck that had none yet tells the columns there are to choose.
    if (ColumnList->count() == 0) {
        FillColumns();
        if (ColumnList->count() > 0) return ShowResults();
    }
    if (!request_.Stats.empty() && !request_.Columns.empty()) Read({row});
}

void TResultsForm::CopyResults() {
    QApplication::clipboard()->setText(ToQ(ResultsTsv(results_)));
}

void TResultsForm::ExportCsv() {
    const std::string proposed = ChangeFileExt(table_.TableFileName, "") + "-results.csv";
    const QString name = Dialogs().SaveFileName(this, "Export as CSV", ToQ(proposed),
                                                "CSV files (*.csv);;All files (*)", nullptr);
    if (name.isEmpty()) return;
    const std::string file = FromQ(name);
    if (!WriteFileAtomic(file, ResultsCsv(results_)))
        ShowMsg(WriteFailureText(file, "File " + file + " cannot be written."), MsgKind::Error,
                true);
}

namespace {

std::string RunWords(const std::vector<int>& runs) {
    return (runs.size() == 1 ? "Run " : "Runs ") + RunNumberList(runs);
}

} // namespace

void TResultsForm::PlotResponse() {
    if (PlotY->currentIndex() < 0 || PlotX->currentIndex() < 0) return;
    TResponseChoice c;
    c.Result = size_t(PlotY->currentIndex());
    c.X = size_t(PlotX->currentIndex());
    c.Family = PlotFamily->currentIndex() - 1;
    if (c.Family == int(c.X)) c.Family = -1;
    TPlotDef plot;
    std::vector<int> leftOut;
    std::string error;
    if (!BuildResponsePlot(results_, c, plot, leftOut, error)) {
        ShowMsg(error, MsgKind::Error, true);
        return;
    }
    if (!leftOut.empty())
        ShowMsg(RunWords(leftOut) + (leftOut.size() == 1 ? " has" : " have") + " no value of " +
                    results_.Results[c.Result] + " and " + (leftOut.size() == 1 ? "is" : "are") +
                    " left out of the plot.",
                MsgKind::Information, false);
    std::string caption = ResponseLegend(results_, c);
    if (c.Family >= 0) caption += " by " + results_.Variables[size_t(c.Family)];
    if (ShowPlot) ShowPlot(caption + ", " + ExtractFileName(table_.TableFileName), plot);
}

} // namespace kolshell
