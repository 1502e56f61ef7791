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
    bool strike = false;
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

// The text of `runs` without styling.
QString plainText(const InlineText &runs);

// A character format for a run: `base` made bold/italic/struck out,
// monospaced for code, an underlined anchor for links.
QTextCharFormat charFormat(const InlineStyle &style, const QFont &base);

} // namespace quillet
