#include "run/widgets/tablerunform.h"

#include "common/lib1.h"
#include "common/paths.h"
#include "common/widgets/qtext.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace kolshell {

namespace {

QString SecondsText(double s) {
    return QString::number(s, 'f', 1) + " s";
}

QString ValuesText(const TRun& run) {
    QStringList values;
    for (const std::string& v : run.Values)
        values << ToQ(v);
    return values.join(", ");
}

// The runs that failed or were stopped.
std::vector<int> FailedNumbers(const TRunSet& set) {
    std::vector<int> runs;
    for (const TRun& r : set.Runs())
        if (r.State == TRunState::Failed || r.State == TRunState::Stopped) runs.push_back(r.Number);
    return runs;
}

} // namespace

TTableRunForm::TTableRunForm(TRunController* controller, const std::string& tableName,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), set_(controller->SharedSet()), controller_(controller) {
    setObjectName("TableRunForm");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8("Table Run \u2013 ") + ToQ(tableName));
    resize(900, 360);
    list_ = new QTreeWidget(this);
    list_->setObjectName("RunList");
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setHeaderLabels(
        {"Run", "Run deck", "Values", "State", "Elapsed", "Listing", "Output files"});
    summary_ = new QLabel(this);
    summary_->setObjectName("Summary");
    stop_ = new QPushButton("Stop", this);
    stop_->setObjectName("StopBtn");
    again_ = new QPushButton("Run Failed Again", this);
    again_->setObjectName("RunFailedAgainBtn");
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(summary_, 1);
    bottom->addWidget(again_);
    bottom->addWidget(stop_);
    note_ = new QLabel(this);
    note_->setObjectName("Note");
    note_->setWordWrap(true);
    note_->hide();
    warning_ = new QLabel(this);
    warning_->setObjectName("Warning");
    warning_->setStyleSheet("color: #a00000");
    warning_->hide();
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(note_);
    lay->addWidget(list_, 1);
    lay->addWidget(warning_);
    lay->addLayout(bottom);

    for (const TRun& r : set_->Runs()) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(colRun, QString::number(r.Number));
        item->setTextAlignment(colRun, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(colDeck, ToQ(r.Deck));
        item->setText(colValues, ValuesText(r));
        item->setText(colListing, ToQ(r.Listing));
        item->setTextAlignment(colElapsed, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (const TRunController::ClusterJob* job = controller->Job()) ShowJob(*job);
    ShowAll();
    SizeColumns();
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &TTableRunForm::RunDoubleClicked);
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (controller_) controller_->Stop();
    });
    connect(again_, &QPushButton::clicked, this, [this] {
        if (RunAgain) RunAgain(FailedNumbers(*set_));
    });
    connect(controller, &TRunController::RunChanged, this, &TTableRunForm::ShowRun);
    connect(controller, &TRunController::Changed, this, &TTableRunForm::ShowProgress);
    connect(controller, &TRunController::Ended, this, &TTableRunForm::ShowAll);
    // The running runs' elapsed times and the summary move on by themselves.
    clock_.setInterval(500);
    connect(&clock_, &QTimer::timeout, this, &TTableRunForm::ShowTicking);
    clock_.start();
}

void TTableRunForm::SizeColumns() {
    // Sized once, from the rows as they are and the longest states: a table of thousands of
    // runs is not measured again at each change.
    QHeaderView* header = list_->header();
    header->setStretchLastSection(false);
    for (int c = 0; c < colCount; ++c)
        list_->resizeColumnToContents(c);
    const QFontMetrics fm = list_->fontMetrics();
    const int pad = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 12;
    const int state = std::max({fm.horizontalAdvance("failed with exit code 255"),
                                fm.horizontalAdvance("ended without a status file"),
                                fm.horizontalAdvance("running on node-0000")});
    header->resizeSection(colState, std::max(header->sectionSize(colState), state + pad));
    header->resizeSection(colElapsed, std::max(header->sectionSize(colElapsed),
                                               fm.horizontalAdvance("99999.9 s") + pad));
    header->resizeSection(colOutputs, header->sectionSize(colOutputs) +
                                          fm.horizontalAdvance("partial (stopped): "));
    // The window as wide as its columns, as far as the screen allows.
    const QMargins margins = layout()->contentsMargins();
    const int bar = std::max(list_->verticalScrollBar()->sizeHint().width(),
                             style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    const int columns =
        header->length() + 2 * list_->frameWidth() + bar + margins.left() + margins.right() + pad;
    const int most = screen() ? screen()->availableGeometry().width() : columns;
    resize(std::max(minimumSizeHint().width(), std::min(columns, most)), height());
    // A window made wider by its user gives the room to the listings' names.
    header->setStretchLastSection(true);
}

void TTableRunForm::ShowJob(const TRunController::ClusterJob& job) {
    setWindowTitle(windowTitle() + QString::fromUtf8(" \u2013 job ") + ToQ(job.Id));
    note_->setText("Slurm job " + ToQ(job.Id) + ", job script " + ToQ(job.Script) +
                   ". The deck folder and the engine directory must be on a filesystem the "
                   "cluster's nodes share.");
    note_->show();
    warningText_ = job.Warning;
}

QString TTableRunForm::SummaryText(const TRunSet& set) {
    // Once the runs have ended, the elapsed time stays that of the whole table run.
    double elapsed = 0;
    for (const TRun& r : set.Runs())
        elapsed = std::max(elapsed, r.Ended);
    if (!set.Finished()) elapsed = set.Now();
    return QString("%1 of %2 runs done, %3 failed, elapsed %4")
        .arg(set.Count(TRunState::Done))
        .arg(set.Runs().size())
        .arg(set.Count(TRunState::Failed))
        .arg(SecondsText(elapsed));
}

QString TTableRunForm::JobLineText(const std::string& jobId, const TRunSet& set) {
    QString text = QString("Slurm job %1: %2 of %3 runs done")
                       .arg(ToQ(jobId))
                       .arg(set.Count(TRunState::Done))
                       .arg(set.Runs().size());
    const std::pair<TRunState, const char*> counted[] = {{TRunState::Failed, "failed"},
                                                         {TRunState::Stopped, "cancelled"},
                                                         {TRunState::Running, "running"},
                                                         {TRunState::Waiting, "pending"}};
    for (const auto& [state, word] : counted)
        if (const int n = set.Count(state)) text += QString(", %1 %2").arg(n).arg(word);
    return text;
}

QString TTableRunForm::OutputsText(const TRun& run) {
    if (run.Outputs.empty()) return {};
    QStringList names;
    for (const std::string& f : run.Outputs)
        names << ToQ(ExtractFileName(f));
    const QString list = names.join(", ");
    switch (run.State) {
    case TRunState::Running:
        return "being written: " + list;
    case TRunState::Failed:
        return "partial (failed): " + list;
    case TRunState::Stopped:
        return "partial (stopped): " + list;
    case TRunState::NotRun:
        return "not written";
    default:
        return list;
    }
}

void TTableRunForm::ShowRun(int index) {
    const TRun& r = set_->Runs()[size_t(index)];
    QTreeWidgetItem* item = list_->topLevelItem(index);
    if (!item) return;
    item->setText(colState, ToQ(StateText(r)));
    item->setText(colElapsed, r.Started >= 0 ? SecondsText(r.Seconds(set_->Now())) : QString());
    // Outputs a run left unfinished are never to be taken for results.
    const bool partial = r.State == TRunState::Failed || r.State == TRunState::Stopped;
    item->setText(colOutputs, OutputsText(r));
    item->setForeground(colOutputs, partial ? QBrush(QColor(0xa0, 0, 0)) : list_->palette().text());
    item->setToolTip(colOutputs, partial ? "The run did not finish: these files hold partial "
                                           "outputs, not its results."
                                         : QString());
}

void TTableRunForm::ShowAll() {
    for (int i = 0; i < int(set_->Runs().size()); ++i)
        ShowRun(i);
    ShowProgress();
}

void TTableRunForm::ShowTicking() {
    const std::vector<TRun>& runs = set_->Runs();
    for (int i = 0; i < int(runs.size()); ++i)
        if (runs[size_t(i)].State == TRunState::Running) ShowRun(i);
    ShowProgress();
}

void TTableRunForm::ShowProgress() {
    const bool going = controller_ && !set_->Finished();
    if (!going) clock_.stop();
    summary_->setText(SummaryText(*set_));
    stop_->setEnabled(going);
    again_->setEnabled(!going && !FailedNumbers(*set_).empty());
    const QString warning = warningText_ ? ToQ(warningText_()) : QString();
    warning_->setText(warning);
    warning_->setVisible(!warning.isEmpty());
}

void TTableRunForm::RunDoubleClicked(QTreeWidgetItem* item) {
    const int index = list_->indexOfTopLevelItem(item);
    if (index < 0) return;
    const TRun& r = set_->Runs()[size_t(index)];
    if (r.State != TRunState::Done && r.State != TRunState::Failed && r.State != TRunState::Stopped)
        return;
    if (OpenListing && FileExists(r.Listing)) OpenListing(r.Listing);
}

} // namespace kolshell
