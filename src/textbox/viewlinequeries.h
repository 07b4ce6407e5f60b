#pragma once
// The line queries answered from a text view's exact row figures.

#include "textbox/linequeries.h"

namespace wimblet {

class TextView;

// Each answer counts the rows the view has not counted yet first, so it is exact
// whatever the view has shown; a figure beyond an int gives no value.
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

private:
    TextView *m_view;
};

} // namespace wimblet
