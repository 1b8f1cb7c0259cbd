#include "app/watching.h"
#include "app/kolshellform.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/widgets/childform.h"
#include "common/widgets/qtext.h"
#include "plot/widgets/plotform.h"
#include "run/widgets/runcontrol.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/viewform.h"
#include "table/widgets/tableform.h"

namespace kolshell {

std::string ShownFile(TChildForm* c) {
    if (auto* viewer = qobject_cast<TViewForm*>(c)) return viewer->ViewedFile();
    return c->FileName().empty() ? c->DocumentName() : c->FileName();
}

TWatcher::TWatcher(TKOLSHELLFORM& main) : QObject(&main), main_(main) {
    gather_.setSingleShot(true);
    gather_.setInterval(300);
    connect(&gather_, &QTimer::timeout, this, &TWatcher::CheckFiles);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &gather_, qOverload<>(&QTimer::start));
}

void TWatcher::Take(TChildForm* child, TWatched& w) {
    w.File = ShownFile(child);
    w.Identity = TFileIdentity::Of(w.File);
    w.Modified = child->IsModified();
    // A file replaced by renaming is no longer watched: it is added again.
    if (w.Identity.Exists && !watcher_.files().contains(ToQ(w.File))) watcher_.addPath(ToQ(w.File));
}

void TWatcher::Refresh() {
    std::map<TChildForm*, TWatched> now;
    for (TChildForm* c : main_.Children()) {
        auto it = windows_.find(c);
        TWatched w = it == windows_.end() ? TWatched{} : it->second;
        if (it == windows_.end() || w.File != ShownFile(c) || (w.Modified && !c->IsModified()))
            Take(c, w); // new, renamed, or saved by this program
        w.Modified = c->IsModified();
        now[c] = w;
    }
    windows_.swap(now);
}

void TWatcher::TakeAll(TWindowKind kind) {
    for (auto& [child, w] : windows_)
        if (child->WindowKind() == kind) Take(child, w);
}

void TWatcher::CheckFiles() {
    if (TRunController::Active())
        TakeAll(TWindowKind::Table); // the run records itself in its table
    Refresh();
    for (TChildForm* c : main_.Children()) {
        TWatched& w = windows_[c];
        const TFileIdentity current = TFileIdentity::Of(w.File);
        if (!(current != w.Identity)) continue;
        if (c->IsModified()) continue; // its Save warns
        const auto k = c->WindowKind();
        const bool viewer = k == TWindowKind::Listing || k == TWindowKind::Output;
        if (viewer || ShowMsg(w.File + " was changed by another program. Reload it?",
                              MsgKind::WarningYesNo, false) == MsgAnswer::Yes)
            Reload(c, w.File);
        auto it = windows_.find(c);
        if (it != windows_.end()) Take(c, it->second); // asked once per change
    }
    Refresh();
    main_.UpdateMenu();
}

// The name is the window's own copy: a form's record, which holds it too, goes before the
// form is read again.
void TWatcher::Reload(TChildForm* child, std::string file) {
    if (auto* viewer = qobject_cast<TViewForm*>(child)) {
        viewer->Open(file);
    } else if (auto* editor = qobject_cast<TEditForm*>(child)) {
        const auto kind = editor->WindowKind();
        editor->Open(file);
        editor->SetWindowKind(kind);
    } else if (auto* table = qobject_cast<TTableForm*>(child)) {
        table->ReadTable(file);
    } else if (auto* plot = qobject_cast<TPlotForm*>(child)) {
        plot->OpenPlot(file);
    } else if (child->WindowKind() == TWindowKind::Form) {
        windows_.erase(child);
        main_.DisposeChild(child); // unchanged: nothing is asked
        main_.Documents().CreateKolsedForm(file);
    }
}

bool TWatcher::MaySave(TChildForm* child) {
    auto it = windows_.find(child);
    if (it == windows_.end() || it->second.File != ShownFile(child)) return true;
    it->second.Modified = true; // the write that follows is this program's own
    if (!(TFileIdentity::Of(it->second.File) != it->second.Identity)) return true;
    switch (ShowMsg(it->second.File +
                        " was changed by another program since it was opened here. Save your "
                        "version over it?",
                    MsgKind::WarningYesNoCancel, false)) {
    case MsgAnswer::Yes:
        return true;
    case MsgAnswer::No:
        main_.Documents().SaveAs(child);
        return false;
    default:
        return false;
    }
}

} // namespace kolshell
