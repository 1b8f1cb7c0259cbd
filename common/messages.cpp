#include "common/messages.h"

#include <cstdio>
#include <new>
#include <stdexcept>

namespace kolshell {

namespace {

// Without a window system, messages go to stderr and take the first button.
MsgAnswer StderrHandler(const MsgRequest& r) {
    std::fprintf(stderr, "%s\n", r.Text.c_str());
    return DefaultButton(r.Kind);
}

MsgHandler& Handler() {
    static MsgHandler h = StderrHandler;
    return h;
}

BeepHandler& BeepFn() {
    static BeepHandler h = [] {};
    return h;
}

} // namespace

MsgAnswer DefaultButton(MsgKind kind) {
    switch (kind) {
    case MsgKind::Error:
    case MsgKind::Information:
    case MsgKind::WarningOkCancel:
    case MsgKind::Error2:
    case MsgKind::WarningOk:
        return MsgAnswer::Ok;
    case MsgKind::ErrorYesNo:
    case MsgKind::WarningYesNo:
    case MsgKind::WarningYesNo2:
    case MsgKind::WarningYesNoCancel:
        return MsgAnswer::Yes;
    }
    return MsgAnswer::None;
}

MsgAnswer ShowMsg(const std::string& text, MsgKind kind, bool beep) {
    if (int(kind) < 0 || int(kind) > int(MsgKind::WarningOk)) {
        if (beep) Beep();
        return MsgAnswer::None;
    }
    return Handler()(MsgRequest{text, kind, beep});
}

void Beep() {
    BeepFn()();
}

MsgHandler SetMsgHandler(MsgHandler handler) {
    MsgHandler old = Handler();
    Handler() = handler ? std::move(handler) : MsgHandler(StderrHandler);
    return old;
}

BeepHandler SetBeepHandler(BeepHandler handler) {
    BeepHandler old = BeepFn();
    BeepFn() = handler ? std::move(handler) : BeepHandler([] {});
    return old;
}

bool MemoryGuarded(const std::function<void()>& edit) {
    try {
        edit();
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    ShowMsg("There is not enough memory for this change.", MsgKind::Error, true);
    return false;
}

} // namespace kolshell
