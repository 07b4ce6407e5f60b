#pragma once
// A row is laid out on its own, yet its right-to-left runs must be ordered and joined as
// in its whole paragraph. The paragraph's direction is set on the row's layout, and the
// text around the row speaks through zero-width marks before and after it: the
// embeddings and isolates still open, the direction of the nearest strong characters
// (which neutrals and numbers at the row's ends take after), and a joiner where the row
// starts inside a word of a joining script.

#include <QString>
#include <QStringView>
#include <Qt>

namespace wimblet {

// The first strong character of a paragraph read a stretch at a time, isolates passed
// over, as the bidi algorithm finds a paragraph's direction.
class DirectionScan
{
public:
    // Reads on; true once the direction is known.
    bool feed(QStringView text);
    // Left to right unless a right-to-left character came first.
    Qt::LayoutDirection direction() const { return m_found; }
    // Units read when the direction was found, or all of them so far.
    qint64 read() const { return m_read; }

private:
    int m_isolates = 0;
    qint64 m_read = 0;
    bool m_known = false;
    Qt::LayoutDirection m_found = Qt::LeftToRight;
};

// True for the explicit embeddings, overrides, isolates and their ends.
bool isBidiControl(char16_t c);

// The marks that stand for `before`, the paragraph's text up to the row (all of it, or a
// stretch in which no embedding or isolate opens before its last strong character):
// the embeddings and isolates open at its end, each followed by the mark of the last
// strong character inside it, and a ZWJ when its last letter joins `first`, the row's
// first character. A mark that says no more than the paragraph's `direction` is left out.
QString bidiLead(QStringView before, char32_t first, Qt::LayoutDirection direction);
// The mark of the first strong character of `after`, the text after the row, read up to
// the first control, unless it is the paragraph's direction: neutrals at the row's end
// resolve towards it.
QString bidiTail(QStringView after, Qt::LayoutDirection direction);

} // namespace wimblet
