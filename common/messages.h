// Every message of the program goes through ShowMsg. The handler that shows it is
// replaceable: the program installs message boxes, tests install a scripted recorder.
#pragma once

#include <functional>
#include <string>

// Button results, numbered like the platform's dialog results.
enum MsgResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// Message kinds: 0, 4 error/OK; 1 information/OK; 2 warning/OK+Cancel; 3 error/Yes+No;
// 5, 6 warning/Yes+No; 7 warning/Yes+No+Cancel; 8 warning/OK (a warning with nothing to choose).
enum MsgKind {
    mkError = 0,
    mkInformation = 1,
    mkWarningOkCancel = 2,
    mkErrorYesNo = 3,
    mkError2 = 4,
    mkWarningYesNo = 5,
    mkWarningYesNo2 = 6,
    mkWarningYesNoCancel = 7,
    mkWarningOk = 8
};

struct MsgRequest {
    std::string Text;
    int Kind = 0;
    bool Beep = false;
};

using MsgHandler = std::function<int(const MsgRequest&)>;
using BeepHandler = std::function<void()>;

int ShowMsg(const std::string& text, int kind, bool beep);
void Beep();

// Installs a handler; returns the one it replaces.
MsgHandler SetMsgHandler(MsgHandler handler);
BeepHandler SetBeepHandler(BeepHandler handler);

// The first button of a kind: what a handler without a user answers.
int DefaultButton(int kind);

// Runs an edit sized by a number the user typed. When memory runs out for it (or it asks for
// more than a container holds) the message "There is not enough memory for this change." is
// shown and false returned: the program goes on. The edit leaves its data whole then.
bool MemoryGuarded(const std::function<void()>& edit);
