#include "tests/support/testsupport.h"

#include "common/widgets/printjob.h"
#include <QPrinter>

#include "common/globals.h"
#include "common/settings.h"
#include "common/widgets/childform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTabBar>
#include <QWheelEvent>
#include <fstream>
#include <sstream>

using namespace kolshell;

MsgRecorder::MsgRecorder() {
    oldMsg_ = SetMsgHandler([this](const MsgRequest& r) {
        Shown.push_back(r);
        if (r.Beep) ++Beeps;
        if (Answers.empty()) return DefaultButton(r.Kind);
        const MsgAnswer a = Answers.front();
        Answers.pop_front();
        return a;
    });
    oldBeep_ = SetBeepHandler([this] { ++Beeps; });
}

MsgRecorder::~MsgRecorder() {
    SetMsgHandler(oldMsg_);
    SetBeepHandler(oldBeep_);
}

std::vector<std::string> MsgRecorder::Texts() const {
    std::vector<std::string> t;
    for (const auto& r : Shown)
        t.push_back(r.Text);
    return t;
}

namespace {
QString Take(QStringList& list) {
    return list.isEmpty() ? QString() : list.takeFirst();
}
} // namespace

ScriptedDialogs::ScriptedDialogs() {
    SetDialogs(this);
}
ScriptedDialogs::~ScriptedDialogs() {
    SetDialogs(nullptr);
}

bool ScriptedDialogs::PrintDialog(QWidget*) {
    Titles << "Print";
    PrintFiles << CurrentPrinter().outputFileName();
    return PrintAnswer;
}

QString ScriptedDialogs::OpenFileName(QWidget*, const QString& title, const QString& start,
                                      const QString& filter, int* filterIndex) {
    Titles << title;
    Proposed << start;
    Filters << filter;
    FilterIndexes << (filterIndex ? *filterIndex : 0);
    if (filterIndex && FilterIndexAnswer) *filterIndex = FilterIndexAnswer;
    return Take(OpenAnswers);
}

QString ScriptedDialogs::SaveFileName(QWidget*, const QString& title, const QString& proposed,
                                      const QString& filter, int* filterIndex) {
    Titles << title;
    Proposed << proposed;
    Filters << filter;
    FilterIndexes << (filterIndex ? *filterIndex : 0);
    if (filterIndex && FilterIndexAnswer) *filterIndex = FilterIndexAnswer;
    return Take(SaveAnswers);
}

QString ScriptedDialogs::DirectoryName(QWidget*, const QString& title, const QString&) {
    Titles << title;
    return Take(DirAnswers);
}

QString ScriptedDialogs::InputText(QWidget* parent, const QString& caption, const QString& prompt,
                                   const QString& text, bool* ok) {
    Titles << caption;
    if (RealInput) return TDialogs::InputText(parent, caption, prompt, text, ok);
    if (ok) *ok = !InputAnswers.isEmpty();
    return InputAnswers.isEmpty() ? text : InputAnswers.takeFirst();
}

QString ScriptedDialogs::PictureFileName(QWidget*, const QString& title, const QString&) {
    Titles << title;
    return Take(PictureAnswers);
}

std::string WriteTestFile(const QString& dir, const std::string& name, const std::string& bytes) {
    const std::string path = QDir(dir).filePath(QString::fromStdString(name)).toStdString();
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

std::string ReadTestFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void UserFoldersIn(const QString& dir) {
    qputenv("XDG_CONFIG_HOME", (dir + "/.config").toUtf8());
    qputenv("XDG_STATE_HOME", (dir + "/.state").toUtf8());
}

void FreshProgramDir(TestFolder& folder) {
    FreshProgramDir(folder.Dir.path());
}

void FreshProgramDir(const QString& dir) {
    Globals() = TGlobals();
    Globals().KolshellDir = dir.toStdString();
    UserFoldersIn(dir);
    WriteTestFile(dir, "KOLSHELL.DFT", EncodeDFT(DefaultSettings()));
    CurrentChild = nullptr;
}

bool CopyDemo(const QString& name, const QString& path) {
    return QFile::copy(qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo/" + name, path);
}

void TurnWheel(QWidget* w, int notches) {
    const QPoint at = w->rect().center();
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

namespace {
QString KeyOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') return text[i + 1].toUpper();
        ++i;
    }
    return {};
}
} // namespace

QStringList AccessKeys(QWidget* root) {
    QStringList keys;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root)) continue;
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
        if (auto* g = qobject_cast<QGroupBox*>(w)) text = g->title();
        if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy()) text = l->text();
        if (auto* t = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < t->count(); ++i)
                if (!KeyOf(t->tabText(i)).isEmpty())
                    keys << KeyOf(t->tabText(i)) + " " + t->tabText(i);
        if (!KeyOf(text).isEmpty()) keys << KeyOf(text) + " " + text;
    }
    return keys;
}

QStringList UnkeyedControls(QWidget* root) {
    QStringList unkeyed;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root)) continue;
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
        if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy()) text = l->text();
        const bool worded = text.contains(QRegularExpression("[A-Za-z]"));
        if (worded && KeyOf(text).isEmpty() && text != "OK" && text != "Cancel") unkeyed << text;
    }
    return unkeyed;
}

QStringList RepeatedAccessKeys(QWidget* root) {
    const QStringList keys = AccessKeys(root);
    QStringList repeated;
    for (const QString& k : keys)
        for (const QString& other : keys)
            if (&k != &other && k[0] == other[0]) repeated << k;
    return repeated;
}
