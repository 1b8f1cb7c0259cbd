#include "app/closing.h"
#include "common/widgets/childform.h"

namespace kolshell {

bool TCloseGuard::Agreed(TChildForm* child) const {
    for (const QPointer<TChildForm>& c : agreed_)
        if (c == child) return true;
    return false;
}

bool TCloseGuard::QueryClose(const QList<TChildForm*>& going) {
    const auto before = agreed_.size();
    for (TChildForm* c : going) {
        if (Agreed(c)) continue;
        if (!c->FormCloseQuery()) {
            agreed_.resize(before); // nothing goes: the windows asked now are asked again
            return false;
        }
        agreed_ << c;
    }
    return true;
}

bool TCloseGuard::MayClose(TChildForm* child) {
    return QueryClose({child});
}

} // namespace kolshell
