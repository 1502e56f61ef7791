#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quillet {

// Turns an RTF document into its plain text: groups, control words and
// symbols, destinations that hold no body text (font and colour tables,
// style sheets, pictures, objects, document info, ignorable \* groups), \'hh
// in the document's code page, \uN with its \ucN fallback, \bin data, and
// \par / \line / \tab as line breaks and tabs.
//
// Input that is not a complete RTF document (no {\rtf header, unbalanced
// groups, truncated) gives nothing. Work and memory are linear in the input
// size whatever its nesting.
std::optional<QString> rtfToPlainText(const QByteArray &rtf);

} // namespace quillet
