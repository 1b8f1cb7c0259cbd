// Seams for tests: a message recorder that answers from a script, and dialogs that answer
// without a modal loop.
#pragma once

#include "common/messages.h"
#include "common/widgets/dialogs.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <string>
#include <vector>

class MsgRecorder {
  public:
    MsgRecorder();
    ~MsgRecorder();
    std::vector<kolshell::MsgRequest> Shown;
    std::deque<kolshell::MsgAnswer> Answers; // taken in order; the kind's first button when empty
    int Beeps = 0;
    std::vector<std::string> Texts() const;

  private:
    kolshell::MsgHandler oldMsg_;
    kolshell::BeepHandler oldBeep_;
};

class ScriptedDialogs : public kolshell::TDialogs {
  public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;
    QStringList OpenAnswers, SaveAnswers, DirAnswers, PictureAnswers, InputAnswers;
    // The program's own text input dialog shows (the test answers it) instead of InputAnswers.
    bool RealInput = false;
    QStringList Titles;   // every dialog's title, in order
    QStringList Proposed; // the name or start each file dialog was given
    QStringList Filters;
    QList<int> FilterIndexes; // the filter entry each file dialog was opened on
    int FilterIndexAnswer = 0;

    QString OpenFileName(QWidget*, const QString& title, const QString&, const QString&,
                         int* filterIndex) override;
    QString SaveFileName(QWidget*, const QString& title, const QString&, const QString&,
                         int* filterIndex) override;
    QString DirectoryName(QWidget*, const QString& title, const QString&) override;
    QString InputText(QWidget*, const QString& caption, const QString&, const QString& text,
                      bool* ok) override;
    QString PictureFileName(QWidget*, const QString& title, const QString&) override;
    bool PrinterSetup(QWidget*) override {
        Titles << "Print Setup";
        return false;
    }
    // Answers the print dialog with PrintAnswer, noting the printer's file at that moment.
    bool PrintDialog(QWidget*) override;
    bool PrintAnswer = true;
    QStringList PrintFiles;
};

std::string WriteTestFile(const QString& dir, const std::string& name, const std::string& bytes);
// The demo deck's files are the fixtures many tests start from: demo/name copied to path.
bool CopyDemo(const QString& name, const QString& path);
std::string ReadTestFile(const std::string& path);

// A temporary folder for a test's files.
struct TestFolder {
    QTemporaryDir Dir;
    std::string Path(const std::string& name) const {
        return Dir.path().toStdString() + "/" + name;
    }
    std::string Write(const std::string& name, const std::string& text) {
        return WriteTestFile(Dir.path(), name, text);
    }
};

// A fresh program state whose program directory is the folder, with default settings in it:
// what each main-window test starts from.
// Each test's own user: its configuration and state folders are dir/.config/kolshell and
// dir/.state/kolshell, so settings and state never reach the real home.
void UserFoldersIn(const QString& dir);
void FreshProgramDir(TestFolder& folder);
void FreshProgramDir(const QString& dir);

class QWidget;

// One notch of the mouse wheel over w (down for negative notches), as the window system
// delivers it: to w first.
void TurnWheel(QWidget* w, int notches);

// The access keys of what root shows at the moment (buttons, group boxes, labels with a
// field), each listed with its control's text; a key given twice is listed twice.
QStringList AccessKeys(QWidget* root);
// The keys of AccessKeys that appear more than once; empty when each is unique.
QStringList RepeatedAccessKeys(QWidget* root);
// The controls root shows that no access key reaches: buttons with a word on them but no key
// (OK and Cancel answer Enter and Escape instead) and labels of a field without one.
QStringList UnkeyedControls(QWidget* root);
