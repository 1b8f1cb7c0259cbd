#include "shell/widgets/printdlg.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/childform.h"
#include "common/widgets/dialogkeys.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/listmoves.h"
#include "common/widgets/printjob.h"
#include "common/widgets/qtext.h"
#include "shell/widgets/helpviewer.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>

namespace kolshell {

namespace {

QPushButton* Button(QWidget* parent, const char* text, const char* name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

constexpr int WindowRole = Qt::UserRole;

void AddEntry(QListWidget* list, TChildForm* w) {
    auto* item = new QListWidgetItem(ShortCaption(w->Title()), list);
    item->setData(WindowRole, QVariant::fromValue<QObject*>(w));
}

} // namespace

QString ShortCaption(const QString& caption) {
    if (caption.contains("Plot ")) return caption.left(caption.indexOf(':'));
    const int cut = std::max(caption.lastIndexOf('\\'), caption.lastIndexOf('/'));
    return caption.mid(cut + 1);
}

TPrintDlg::TPrintDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Select Windows to Print");
    setProperty("HelpContext", 45);
    resize(402, 188);
    auto* src = new TMoveList(this);
    auto* dst = new TMoveList(this);
    src->Partner = dst;
    dst->Partner = src;
    SrcList = src;
    SrcList->setObjectName("SrcList");
    SrcList->setSortingEnabled(true);
    DstList = dst;
    DstList->setObjectName("DstList");
    for (QListWidget* l : {SrcList, DstList})
        l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    IncludeBtn = Button(this, ">", "IncludeBtn");
    IncAllBtn = Button(this, ">>", "IncAllBtn");
    ExcludeBtn = Button(this, "<", "ExcludeBtn");
    ExcAllBtn = Button(this, "<<", "ExcAllBtn");
    OKBtn = Button(this, "OK", "OKBtn");
    HelpBtn = Button(this, "&Help", "HelpBtn");
    CancelBtn = Button(this, "Cancel", "CancelBtn");
    auto* grid = new QGridLayout(this);
    auto* windows = new QLabel("&Windows:", this);
    windows->setBuddy(SrcList);
    auto* print = new QLabel("&Print:", this);
    print->setBuddy(DstList);
    grid->addWidget(windows, 0, 0);
    grid->addWidget(print, 0, 2);
    grid->addWidget(SrcList, 1, 0);
    auto* moves = new QVBoxLayout;
    for (QPushButton* b : {IncludeBtn, IncAllBtn, ExcludeBtn, ExcAllBtn})
        moves->addWidget(b);
    grid->addLayout(moves, 1, 1);
    grid->addWidget(DstList, 1, 2);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {OKBtn, HelpBtn, CancelBtn})
        buttons->addWidget(b);
    buttons->addStretch();
    grid->addLayout(buttons, 1, 3);
    auto move = [this](QListWidget* from, QListWidget* to, bool all) {
        MoveListItems(from, to, all, false);
        SetButtons();
    };
    connect(IncludeBtn, &QPushButton::clicked, this, [=] { move(SrcList, DstList, false); });
    connect(IncAllBtn, &QPushButton::clicked, this, [=] { move(SrcList, DstList, true); });
    connect(ExcludeBtn, &QPushButton::clicked, this, [=] { move(DstList, SrcList, false); });
    connect(ExcAllBtn, &QPushButton::clicked, this, [=] { move(DstList, SrcList, true); });
    dst->Dropped = [=] { move(SrcList, DstList, false); };
    src->Dropped = [=] { move(DstList, SrcList, false); };
    MakeDefaultButton(OKBtn); // Enter prints, whichever move button was used last
    connect(OKBtn, &QPushButton::clicked, this, &TPrintDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, [] { ShowHelpContext(45); });
}

void TPrintDlg::FormActivate(const QList<TChildForm*>& children, TChildForm* current) {
    SrcList->clear();
    DstList->clear();
    for (TChildForm* w : children)
        if (w != current) AddEntry(SrcList, w);
    if (current) AddEntry(DstList, current);
    SetButtons();
}

void TPrintDlg::SetButtons() {
    IncludeBtn->setEnabled(SrcList->count() > 0);
    IncAllBtn->setEnabled(SrcList->count() > 0);
    ExcludeBtn->setEnabled(DstList->count() > 0);
    ExcAllBtn->setEnabled(DstList->count() > 0);
}

QList<TChildForm*> TPrintDlg::Chosen() const {
    QList<TChildForm*> windows;
    for (int i = 0; i < DstList->count(); ++i)
        if (auto* w =
                qobject_cast<TChildForm*>(DstList->item(i)->data(WindowRole).value<QObject*>()))
            windows << w;
    return windows;
}

void TPrintDlg::OKBtnClick() {
    const QList<TChildForm*> windows = Chosen();
    if (windows.isEmpty()) return;
    ProposePrintFile(windows);
    // Cancelled, or a job that could not start: the choice of windows stays on the screen.
    if (!Dialogs().PrintDialog(this)) return;
    if (PrintWindows(windows)) accept();
}

TPrintProgress::TPrintProgress()
    : QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) {
    setObjectName("PrintProgress");
    setWindowTitle("Please wait");
    setFixedSize(197, 47);
    auto* label = new QLabel("Printing in progress... ", this);
    label->move(10, 15);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

namespace {

// The file a PDF job would write: beside the deck, else beside the first window's file.
std::string ProposedPdfName(const QList<TChildForm*>& windows) {
    std::string base = Globals().InputFileName;
    for (TChildForm* w : windows)
        if (base.empty() && !w->FileName().empty()) base = w->FileName();
    if (base.empty())
        return JoinPath(Globals().StartDir.empty() ? GetCurrentDir() : Globals().StartDir,
                        "KOLSHELL.PDF");
    return AbsolutePath(ReplaceFromFirstDot(base, ".PDF"));
}

} // namespace

void ProposePrintFile(const QList<TChildForm*>& windows) {
    static QString proposed; // replaced by the next proposal unless the user chose another
    QPrinter& printer = CurrentPrinter();
    if (!QPrinterInfo::availablePrinters().isEmpty() && printer.outputFileName().isEmpty()) return;
    if (!printer.outputFileName().isEmpty() && printer.outputFileName() != proposed) return;
    proposed = ToQ(ProposedPdfName(windows));
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(proposed);
}

bool PrintWindows(const QList<TChildForm*>& windows) {
    TPrintProgress progress;
    progress.show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); // painted before the job
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TPrintJob job(&CurrentPrinter());
    if (job.Started()) {
        for (const QPointer<TChildForm> w : windows) {
            if (!w) continue;
            if (w->WindowKind() == TWindowKind::Plot) {
                // A plot goes on a page of its own.
                if (job.PageHeight() - job.Margin() < job.PrintY() + w->PrintHeight(job))
                    job.ForceNewPage();
                w->Print(job);
                job.ForceNewPage();
            } else if (w->Print(job)) {
                job.Advance(2 * job.LineHeight());
            }
        }
    }
    QApplication::restoreOverrideCursor();
    if (job.Started()) return true;
    progress.hide();
    const QPrinter& printer = CurrentPrinter();
    const QString target = printer.outputFileName().isEmpty()
                               ? "the printer " + printer.printerName()
                               : QDir::toNativeSeparators(printer.outputFileName());
    ShowMsg("Printing could not start: " + FromQ(target) + " could not be opened.", MsgKind::Error,
            true);
    return false;
}

} // namespace kolshell
