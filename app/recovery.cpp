#include "app/recovery.h"
#include "app/kolshellform.h"

#include "common/globals.h"
#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/childform.h"
#include "common/widgets/qtext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QLockFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace kolshell {

namespace {

const char* const Magic = "KOLSHELL recovery 1\n";
const int WriteEverySeconds = 30;

int signalFds[2] = {-1, -1};

void EndSignalHandler(int) {
    const char c = 1;
    (void)!::write(signalFds[0], &c, 1);
}

// The header lines ("kind", "file" and, for a window without a file, "title"), a blank
// line, then the bytes.
std::string Encode(TWindowKind kind, const std::string& original, const std::string& title,
                   const std::string& bytes) {
    std::string text =
        Magic + std::string("kind ") + std::to_string(int(kind)) + "\nfile " + original;
    if (original.empty() && !title.empty()) text += "\ntitle " + title;
    return text + "\n\n" + bytes;
}

bool Decode(const std::string& text, TRecoveredWindow& w) {
    const std::string magic = Magic;
    if (text.compare(0, magic.size(), magic) != 0) return false;
    const size_t end = text.find("\n\n", magic.size() - 1);
    if (end == std::string::npos) return false;
    bool kind = false, file = false;
    for (size_t at = magic.size(); at <= end;) {
        const size_t eol = text.find('\n', at);
        const std::string line = text.substr(at, eol - at);
        at = eol + 1;
        if (line.compare(0, 5, "kind ") == 0)
            kind = true, w.Kind = TWindowKind(std::atoi(line.c_str() + 5));
        else if (line.compare(0, 5, "file ") == 0)
            file = true, w.Original = line.substr(5);
        else if (line.compare(0, 6, "title ") == 0)
            w.Title = line.substr(6);
    }
    w.Bytes = text.substr(end + 2);
    return kind && file;
}

// The file a window holds: an editor's or form's, or a plot's or table's own.
std::string OriginalOf(const TChildForm* c) {
    return c->FileName().empty() ? c->DocumentName() : c->FileName();
}

// The instance a recovery file belongs to: its name up to the last "-".
QString InstanceOf(const QString& fileName) {
    return fileName.left(fileName.lastIndexOf('-'));
}

MsgAnswer AskWithButtons(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(), ToQ(text));
    QPushButton* restore = box.addButton("Restore", QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton("Discard", QMessageBox::DestructiveRole);
    box.addButton("Later", QMessageBox::RejectRole);
    box.setDefaultButton(restore);
    box.exec();
    if (box.clickedButton() == restore) return MsgAnswer::Yes;
    return box.clickedButton() == discard ? MsgAnswer::No : MsgAnswer::Cancel;
}

} // namespace

TRecovery::TRecovery(TKOLSHELLFORM& main, const std::string& folder)
    : QObject(&main), Ask(AskWithButtons), main_(main), folder_(folder) {
    static int instances = 0;
    id_ = std::to_string(QCoreApplication::applicationPid()) + "." +
          std::to_string(QDateTime::currentMSecsSinceEpoch()) + "." + std::to_string(++instances);
    QDir().mkpath(ToQ(folder_));
    // Held while the program runs: a second program does not offer this one's files.
    lock_ = std::make_unique<QLockFile>(ToQ(JoinPath(folder_, id_ + ".lock")));
    lock_->tryLock(0);
    timer_.setInterval(WriteEverySeconds * 1000);
    connect(&timer_, &QTimer::timeout, this, &TRecovery::WriteAll);
    timer_.start();
}

TRecovery::~TRecovery() = default;

void TRecovery::WriteAll() {
    for (TChildForm* c : main_.Children()) {
        const std::optional<std::string> bytes = c->UnsavedBytes();
        if (!bytes) {
            Remove(c);
            continue;
        }
        std::string& file = files_[c];
        if (file.empty()) file = JoinPath(folder_, id_ + "-" + std::to_string(++written_) + ".rec");
        WriteFileAtomic(file, Encode(c->WindowKind(), OriginalOf(c), FromQ(c->Title()), *bytes));
    }
}

void TRecovery::DropSaved() {
    for (auto it = files_.begin(); it != files_.end();) {
        TChildForm* c = (it++)->first;
        if (!c->IsModified()) Remove(c);
    }
}

void TRecovery::Watch(TChildForm* child) {
    connect(child, &QObject::destroyed, this, [this, child] {
        if (!abandoned_) Remove(child); // closed: saved or thrown away
    });
}

void TRecovery::Remove(TChildForm* child) {
    auto it = files_.find(child);
    if (it == files_.end()) return;
    QFile::remove(ToQ(it->second));
    files_.erase(it);
}

std::vector<TRecoveredWindow> TRecovery::LeftBehind() const {
    std::vector<TRecoveredWindow> found;
    const QDir dir(ToQ(folder_));
    for (const QString& name : dir.entryList({"*.rec"}, QDir::Files, QDir::Name)) {
        const QString instance = InstanceOf(name);
        if (instance == ToQ(id_)) continue;
        QLockFile running(dir.filePath(instance + ".lock"));
        if (!running.tryLock(0)) continue; // that program is still running
        running.unlock();
        TRecoveredWindow w;
        w.File = FromQ(dir.filePath(name));
        std::string text;
        if (ReadFileBytes(w.File, text) && Decode(text, w)) found.push_back(w);
    }
    return found;
}

void TRecovery::OfferRestore() {
    const std::vector<TRecoveredWindow> found = LeftBehind();
    if (found.empty()) return;
    std::string text = "KOLSHELL was not closed properly. These unsaved changes can be restored:";
    for (const TRecoveredWindow& w : found)
        text += "\n" + (!w.Original.empty() ? w.Original
                        : w.Title.empty()   ? std::string("a new file")
                                            : "a new window, " + w.Title);
    const MsgAnswer answer = Ask(text);
    if (answer == MsgAnswer::Cancel) return;
    for (const TRecoveredWindow& w : found) {
        if (answer == MsgAnswer::Yes) Restore(w);
        QFile::remove(ToQ(w.File));
    }
    WriteAll(); // the restored windows are this program's to keep now
    main_.UpdateMenu();
}

// The bytes are read from a file beside the original, named as it is up to its first "." so
// that the companions a form or a table looks for are found (in the recovery folder when that
// folder cannot be written); relative names in them are the original folder's.
void TRecovery::Restore(const TRecoveredWindow& w) {
    const std::string dir = ExtractFileDir(w.Original); // a new window's name has no folder
    const std::string leaf = ExtractFileName(BaseName(w.Original)) + ".kolshell-restored" +
                             ExtractFileExt(ExtractFileName(w.Original));
    std::string temp = JoinPath(dir.empty() ? folder_ : dir, leaf);
    if (!WriteFileAtomic(temp, w.Bytes)) {
        temp = JoinPath(folder_, leaf);
        if (!WriteFileAtomic(temp, w.Bytes)) return;
    }
    if (!dir.empty()) SetCurrentDir(dir);
    CloseUnchangedWindowsOf(w.Original);
    TChildForm* child = nullptr;
    if (IsEditorKind(w.Kind))
        child = main_.Documents().CreateEditor(temp, w.Kind);
    else if (w.Kind == TWindowKind::Form)
        child = main_.Documents().CreateKolsedForm(temp);
    else if (w.Kind == TWindowKind::Table)
        child = main_.Tables().CreateTableForm(temp);
    else if (w.Kind == TWindowKind::Plot)
        child = main_.Plots().CreatePlotForm(temp);
    QFile::remove(ToQ(temp));
    if (child) child->RestoredAs(w.Original);
}

// A file opened at start (named on the command line) shows once: its restored version
// takes the place of the window that has it as it is on disk.
void TRecovery::CloseUnchangedWindowsOf(const std::string& original) {
    if (original.empty()) return;
    for (TChildForm* c : main_.Children())
        if (!c->IsModified() && SameFile(OriginalOf(c), original)) main_.DisposeChild(c);
}

void TRecovery::CatchEndSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalFds) != 0) return;
    auto* notifier = new QSocketNotifier(signalFds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char c;
        (void)!::read(signalFds[1], &c, 1);
        EndBySignal();
    });
    struct sigaction action = {};
    action.sa_handler = EndSignalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

// As Exit, without questions: the unsaved work goes to the recovery folder and the recent
// files are kept, and the windows stay unsaved for the next start to offer.
void TRecovery::EndBySignal() {
    WriteAll();
    main_.Documents().SaveFileNameList();
    abandoned_ = true;
    QCoreApplication::exit(0);
}

} // namespace kolshell
