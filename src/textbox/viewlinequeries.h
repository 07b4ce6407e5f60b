#pragma once
// The line queries answered from a text view's exact row figures.

#include "textbox/linequeries.h"

#include <QtGlobal>

#include <utility>

namespace wimblet {

class TextView;

// Answers are exact once the view has counted its rows. Until then (a large text just
// opened, or a new width) a short stretch is counted on the spot, and if rows remain the
// answers are the view's estimates (the rows counted so far and a guess at the rest from
// their length): the view says when the exact ones are ready.
// The first question about a text just set whole, as an opened file is, counts longer,
// so that a text of a few megabytes has exact figures at once.
// A figure beyond an int gives no value.
class ViewLineQueries : public LineQueries
{
public:
    explicit ViewLineQueries(TextView *view)
        : m_view(view)
    { }

    std::optional<int> lineCount() const override;
    std::optional<int> selectionEnd() const override;
    std::optional<int> lineFromChar(int offset) const override;
    std::optional<int> lineIndex(int line) const override;

    // Which answers since the guesses were last forgotten were estimates rather than
    // exact ones: the line count, and the line of an offset.
    struct Guesses
    {
        bool count = false;
        bool line = false;
        bool any() const { return count || line; }
    };
    Guesses guesses() const { return m_guesses; }
    void forgetGuesses() { m_guesses = {}; }
    // Whether any answer was a guess, forgetting it.
    bool takeGuessed() { return std::exchange(m_guesses, {}).any(); }

private:
    // Counts what is left when it is little, or when nothing is shown that could wait.
    bool exactNow() const;

    TextView *m_view;
    mutable Guesses m_guesses;
    // The view's text set whole that was last counted for longer.
    mutable qint64 m_longCountFor = 0;
    // The row and row start last found for an offset while rows were still uncounted.
    mutable qint64 m_guessedRow = -1;
    mutable qint64 m_guessedRowStart = -1;
};

} // namespace wimblet
