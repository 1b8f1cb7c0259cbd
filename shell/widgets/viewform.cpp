#include "shell/widgets/viewform.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/printjob.h"
#include "common/widgets/qtext.h"
#include "shell/widgets/fileviewer.h"
#include "shell/widgets/finddialogs.h"

namespace kolshell {

TViewForm::TViewForm(QWidget* parent) : TChildForm(TWindowKind::Listing, parent) {
    setObjectName("ViewForm");
    resize(500, 320);
    viewer_ = new TFileViewer(this);
    setWidget(viewer_);
    findDialog_ = new TFindDialog(false, this);
    findDialog_->SetDown(true);
    findDialog_->HideWholeWord();
    findDialog_->OnFind = [this] { Find(findDialog_); };
}

bool TViewForm::Open(const std::string& name) {
    file_ = name;
    setWindowTitle(ToQ(name));
    viewer_->SetFileName(ToQ(name));
    const std::string ext = ExtOf(name);
    viewer_->AlignHeads(ext.rfind(".O", 0) == 0 || ext == ".PLT");
    if (viewer_->SetActive(true)) return true;
    ShowMsg("File " + name + " cannot be read.", MsgKind::Error, true);
    return false;
}

bool TViewForm::SaveDocument(const std::string& name) {
    if (SameFile(name, file_)) {
        ShowMsg("File " + name +
                    " is the file this window shows; choose another name for the copy.",
                MsgKind::WarningOk, true);
        return false;
    }
    std::string bytes;
    if (!ReadFileBytes(file_, bytes)) {
        ShowMsg("File " + file_ + " cannot be read.", MsgKind::Error, true);
        return false;
    }
    if (!WriteFileAtomic(name, bytes)) {
        ShowMsg(WriteFailureText(name, "File " + name + " could not be written."), MsgKind::Error,
                true);
        return false;
    }
    return true;
}

void TViewForm::Find(TFindDialog* sender) {
    const QString text = sender->FindText();
    if (!viewer_->Search(text, !sender->Down(), sender->MatchCase())) Beep();
    findDialog_->SetFindText(text);
}

void TViewForm::EditCopy() {
    viewer_->CopyToClipboard();
}

void TViewForm::EditFind() {
    findDialog_->Execute();
}

void TViewForm::EditSearchAgain(bool, bool) {
    Find(findDialog_);
}

bool TViewForm::Print(TPrintJob& job) {
    PrintTextLines(job, viewer_->LineCount(), [this](int i) { return viewer_->Line(i); });
    return true;
}

} // namespace kolshell
