#pragma once
// The mark a stand-in character carries in the box's document: the character it
// stands for, kept in its text format. A glyph without the mark is plain text.

#include <QColor>
#include <QTextCharFormat>

namespace wimblet {

constexpr int kEscapedCharProperty = QTextFormat::UserProperty + 1;

inline QTextCharFormat escapeFormat(char16_t original)
{
    QTextCharFormat format;
    format.setProperty(kEscapedCharProperty, int(original));
    // Grey, so that a stand-in is told apart from the same glyph typed as text.
    format.setForeground(QColor(128, 128, 128));
    return format;
}

// The character a marked stand-in represents, or 0 for unmarked text.
inline char16_t escapedOriginal(const QTextCharFormat &format)
{
    const QVariant original = format.property(kEscapedCharProperty);
    return original.isValid() ? char16_t(original.toInt()) : char16_t(0);
}

} // namespace wimblet
