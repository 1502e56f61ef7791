#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace quillet {

// `bytes` as UTF-8, or nothing when they are not valid UTF-8 (overlong forms,
// encoded surrogates and truncated sequences included). A leading byte-order
// mark is dropped, as every reader of the text wants.
std::optional<QString> decodeStrictUtf8(const QByteArray &bytes);

// `bytes` as UTF-8 for showing: what is not valid UTF-8 (Latin-1 bytes, a
// cut sequence) reads as replacement characters, so some text always shows.
QString decodeUtf8ForDisplay(const QByteArray &bytes);

// The length of `bytes` without a multi-byte sequence left incomplete at its
// end (as after cutting a buffer at an arbitrary byte).
qsizetype lengthWithoutIncompleteUtf8Tail(const QByteArray &bytes);

// `text` without the leading and trailing characters `isBlank` accepts.
template<typename IsBlank> QStringView trimmedWhere(QStringView text, IsBlank isBlank)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// Only spaces and tabs: other white space (a stray "\r", a no-break space)
// stays, as shells and Markdown read it.
inline QStringView trimmedSpacesAndTabs(QStringView text)
{
    return trimmedWhere(text, [](QChar c) { return c == u' ' || c == u'\t'; });
}

// Tabs and every Unicode space separator, but no line break.
inline QStringView trimmedSpaces(QStringView text)
{
    return trimmedWhere(text, [](QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; });
}

} // namespace quillet
