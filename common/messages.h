// Every message of the program goes through ShowMsg. The handler that shows it is
// replaceable: the program installs message boxes, tests install a scripted recorder.
#pragma once

#include <functional>
#include <string>

namespace kolshell {

// Button answers, numbered like the platform's dialog results.
enum class MsgAnswer { None = 0, Ok = 1, Cancel = 2, Yes = 6, No = 7 };

// Message kinds: 0, 4 error/OK; 1 information/OK; 2 warning/OK+Cancel; 3 error/Yes+No;
// 5, 6 warning/Yes+No; 7 warning/Yes+No+Cancel; 8 warning/OK (a warning with nothing to choose).
enum class MsgKind {
    Error = 0,
    Information = 1,
    WarningOkCancel = 2,
    ErrorYesNo = 3,
    Error2 = 4,
    WarningYesNo = 5,
    WarningYesNo2 = 6,
    WarningYesNoCancel = 7,
    WarningOk = 8
};

struct MsgRequest {
    std::string Text;
    MsgKind Kind = MsgKind::Error;
    bool Beep = false;
};

using MsgHandler = std::function<MsgAnswer(const MsgRequest&)>;
using BeepHandler = std::function<void()>;

MsgAnswer ShowMsg(const std::string& text, MsgKind kind, bool beep);
void Beep();

// Installs a handler; returns the one it replaces.
MsgHandler SetMsgHandler(MsgHandler handler);
BeepHandler SetBeepHandler(BeepHandler handler);

// The first button of a kind: what a handler without a user answers.
MsgAnswer DefaultButton(MsgKind kind);

// Runs an edit sized by a number the user typed. When memory runs out for it (or it asks for
// more than a container holds) the message "There is not enough memory for this change." is
// shown and false returned: the program goes on. The edit leaves its data whole then.
bool MemoryGuarded(const std::function<void()>& edit);

} // namespace kolshell
