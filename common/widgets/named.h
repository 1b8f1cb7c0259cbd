// Gives a new control its component name (tests find controls by it) and hands it back.
#pragma once

#include <QString>

namespace kolshell {

template <class W> W* Named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

} // namespace kolshell
