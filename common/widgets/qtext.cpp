#include "common/widgets/qtext.h"

#include "common/json.h"

bool UsesLatin1(const std::string& bytes) {
    return !IsValidUtf8(bytes);
}

QString ToQ(const std::string& bytes) {
    if (UsesLatin1(bytes)) return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

std::string FromQ(const QString& text, bool latin1) {
    const QByteArray b = latin1 ? text.toLatin1() : text.toUtf8();
    return std::string(b.constData(), size_t(b.size()));
}
