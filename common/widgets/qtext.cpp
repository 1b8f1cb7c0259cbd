#include "common/widgets/qtext.h"

namespace kolshell {

QString ToQ(const std::string& bytes) {
    return ToQ(bytes, EncodingOf(bytes));
}

QString ToQ(const std::string& bytes, TEncoding encoding) {
    const std::string utf8 = DecodeText(bytes, encoding);
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

std::string FromQ(const QString& text) {
    const QByteArray b = text.toUtf8();
    return std::string(b.constData(), size_t(b.size()));
}

bool FromQ(const QString& text, TEncoding encoding, std::string& bytes, std::string& refused) {
    return EncodeText(FromQ(text), encoding, bytes, refused);
}

} // namespace kolshell
