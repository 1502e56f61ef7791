#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <QTextCharFormat>

namespace quillet {

struct InlineStyle {
    bool bold = false;
    bool italic = false;
    bool code = false;
    QString link; // the destination, when the run is (part of) a link

    friend bool operator==(const InlineStyle &, const InlineStyle &) = default;
};

struct InlineRun {
    QString text;
    InlineStyle style;

    friend bool operator==(const InlineRun &, const InlineRun &) = default;
};

// Styled text: consecutive runs never share a style.
using InlineText = QList<InlineRun>;

// The inline pass over one piece of Markdown (a paragraph, a list item, a
// table cell): **strong** / __strong__, *emphasis* / _emphasis_, `code`,
// [links](destination "title"), <scheme:autolinks> and backslash escapes,
// following CommonMark's delimiter rules. There is no block syntax: a leading
// "#", "-" or "1." and leading spaces stay text, and white space is kept as
// written. Anything that does not close is shown literally, so the pass never
// fails. Work is linear in the text, whatever it holds.
InlineText renderInline(const QString &markdown);

// The text of `runs` without styling.
QString plainText(const InlineText &runs);

// A character format for a run: `base` made bold/italic, monospaced for code,
// an underlined anchor for links.
QTextCharFormat charFormat(const InlineStyle &style, const QFont &base);

} // namespace quillet
