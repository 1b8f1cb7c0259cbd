#include "common/messages.h"

#include <cstdio>
#include <new>
#include <stdexcept>

namespace {

// Without a window system, messages go to stderr and take the first button.
int StderrHandler(const MsgRequest& r) {
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

int DefaultButton(int kind) {
    switch (kind) {
    case 0:
    case 1:
    case 2:
    case 4:
    case 8:
        return mrOk;
    case 3:
    case 5:
    case 6:
    case 7:
        return mrYes;
    default:
        return mrNone;
    }
}

int ShowMsg(const std::string& text, int kind, bool beep) {
    if (kind < 0 || kind > mkWarningOk) {
        if (beep) Beep();
        return 0;
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
    ShowMsg("There is not enough memory for this change.", mkError, true);
    return false;
}
