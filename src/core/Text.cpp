#include "core/Text.h"

#include <QStringDecoder>

namespace quillet {

std::optional<QString> decodeStrictUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString decodeUtf8ForDisplay(const QByteArray &bytes)
{
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless).decode(bytes);
}

qsizetype lengthWithoutIncompleteUtf8Tail(const QByteArray &bytes)
{
    const qsizetype size = bytes.size();
    // Find the lead byte of the last character (at most three continuation
    // bytes back) and see whether its sequence fits.
    for (qsizetype back = 1; back <= 4 && back <= size; ++back) {
        const uchar byte = uchar(bytes[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue;
        qsizetype needed = 1;
        if ((byte & 0xE0) == 0xC0)
            needed = 2;
        else if ((byte & 0xF0) == 0xE0)
            needed = 3;
        else if ((byte & 0xF8) == 0xF0)
            needed = 4;
        return needed > back ? size - back : size;
    }
    return size;
}

} // namespace quillet
