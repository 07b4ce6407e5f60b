#pragma once
// The text box shows the program's CR LF text in a QTextDocument, where every
// CR, LF and a few Unicode separators would start a new block. Only CR LF is a
// line break here; any other such character is shown as a visible stand-in and
// remembered so that it reads back as itself.

#include <QString>
#include <QVector>

namespace wimblet {

struct Escape {
    int position;      // in document positions (a CR LF pair counts once)
    int index;         // in the display string
    char16_t original; // the character the stand-in represents
};

struct DisplayText {
    QString text;      // CR LF pairs kept; escaped characters replaced by stand-ins
    QVector<Escape> escapes;
};

// True for the characters that QTextDocument would treat as a block break.
constexpr bool breaksBlock(char16_t c)
{
    return c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
}

// The visible stand-in shown for an escaped character.
char16_t standInFor(char16_t original);

// The program's text as the box shows it: lone CR, lone LF and the separators
// turned into stand-ins, CR LF pairs kept for the caller to make blocks of.
DisplayText toDisplayText(const QString &text);

// The other way: every escaped stand-in back to its character; anything else,
// a stand-in glyph typed as text included, stays as it is.
QString fromDisplayText(const DisplayText &shown);

} // namespace wimblet
