// koltool's message recorder: every message a command's core shows is kept, answered with
// its kind's first button, and can be echoed on stderr.
#pragma once

#include "common/json.h"
#include "common/messages.h"

#include <cstdio>
#include <vector>

struct Recorded {
    std::vector<MsgRequest> Messages;
    bool Echo = false; // also print each message on stderr
};

// Every message is kept (and answered with its first button); beeps are silent.
class MessageRecorder {
  public:
    explicit MessageRecorder(bool echo) {
        rec_.Echo = echo;
        old_ = SetMsgHandler([this](const MsgRequest& m) {
            rec_.Messages.push_back(m);
            if (rec_.Echo) std::fprintf(stderr, "%s\n", m.Text.c_str());
            return DefaultButton(m.Kind);
        });
        oldBeep_ = SetBeepHandler([] {});
    }
    ~MessageRecorder() {
        SetMsgHandler(old_);
        SetBeepHandler(oldBeep_);
    }
    const std::vector<MsgRequest>& Messages() const { return rec_.Messages; }

  private:
    Recorded rec_;
    MsgHandler old_;
    BeepHandler oldBeep_;
};

inline std::string MessagesJson(const std::vector<MsgRequest>& messages) {
    std::vector<std::string> items;
    for (const MsgRequest& m : messages)
        items.push_back(
            JsonObject().Str("Text", m.Text).Int("Kind", m.Kind).Bool("Beep", m.Beep).Text());
    return JsonArray(items);
}
