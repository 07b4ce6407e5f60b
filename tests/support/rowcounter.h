#pragma once
// Rows of the text box's blocks at the box's current width: worked out from the
// character widths where the block allows it, otherwise read from the box's own
// layout of that block. Both give exactly the rows the box shows.

#include "support/blockmeasure.h"
#include "lines/charwidths.h"
#include "lines/wraprows.h"

#include <memory>
#include <optional>
#include <vector>

class QPlainTextEdit;
class QTextBlock;

namespace wimblet {

class RowCounter
{
public:
    explicit RowCounter(QPlainTextEdit *edit);
    ~RowCounter();

    // Reads the row width, font and options the box lays out with, laying out
    // `probe` if needed; true when any of them differs from the last reading.
    bool refreshSettings(const QTextBlock &probe);

    // Rows of a block from its text alone; nothing when the layout must decide.
    std::optional<int> arithmeticRowCount(QStringView text);
    bool arithmeticRowStarts(QStringView text, std::vector<int> &starts);
    // Rows as the box's layout places them.
    static int laidOutRowCount(const QTextBlock &block);
    static void laidOutRowStarts(const QTextBlock &block, std::vector<int> &starts);

    int rowCount(const QTextBlock &block, QStringView text);
    void rowStarts(const QTextBlock &block, std::vector<int> &starts);

private:
    struct Settings {
        qint64 lineWidth = -1;
        qint64 tabStop = 0;
        QFont font;
        bool arithmetic = false; // the options allow working rows out
        bool operator==(const Settings &o) const
        {
            return lineWidth == o.lineWidth && tabStop == o.tabStop && font == o.font
                   && arithmetic == o.arithmetic;
        }
    };
    Settings readSettings(const QTextBlock &probe) const;
    std::optional<BlockMeasure> measure(QStringView text);
    const quint8 *breakOpportunities(QStringView text);

    QPlainTextEdit *m_edit;
    Settings m_settings;
    std::unique_ptr<CharWidths> m_widths;
    std::vector<quint8> m_breaks;
    std::vector<int> m_scratch;
};

} // namespace wimblet
