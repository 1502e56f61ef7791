#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quillet {

// `bytes` as UTF-8, or nothing when they are not valid UTF-8 (overlong forms,
// surrogates and truncated sequences included). A leading byte-order mark is
// kept as U+FEFF.
std::optional<QString> decodeStrictUtf8(const QByteArray &bytes);

// The length of `bytes` without a multi-byte sequence left incomplete at its
// end (as after cutting a buffer at an arbitrary byte).
qsizetype lengthWithoutIncompleteUtf8Tail(const QByteArray &bytes);

} // namespace quillet
