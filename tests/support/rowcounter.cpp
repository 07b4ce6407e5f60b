#include "support/rowcounter.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace wimblet {

namespace {

// Longer blocks are left to the layout, whose own sums would overflow first.
constexpr qsizetype kLongestArithmeticBlock = 1 << 20;

bool optionsAllowArithmetic(const QTextOption &option, const QAbstractTextDocumentLayout *layout)
{
    constexpr Qt::Alignment tabAligned = Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter
                                         | Qt::AlignJustify;
    return qobject_cast<const QPlainTextDocumentLayout *>(layout)
           && option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere
           && option.flags() == QTextOption::Flags() && option.tabs().isEmpty()
           && (option.alignment() & tabAligned) && option.textDirection() != Qt::RightToLeft;
}

// Tab stops scale with the paint device's resolution against the default one;
// only the unscaled case is worked out, tabs elsewhere are left to the layout.
qint64 tabStopOf(const QTextOption &option, const QAbstractTextDocumentLayout *layout)
{
    if (const QPaintDevice *device = layout->paintDevice()) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        const int defaultDpi = QCoreApplication::testAttribute(Qt::AA_Use96Dpi) || !screen
                                   ? 96
                                   : qRound(screen->logicalDotsPerInchY());
        if (device->logicalDpiY() != defaultDpi)
            return 0;
    }
    const qreal tab = option.tabStopDistance() > 0 ? option.tabStopDistance() : 80;
    return qint64(tab * 64);
}

} // namespace

RowCounter::RowCounter(QPlainTextEdit *edit)
    : m_edit(edit)
{
}

RowCounter::~RowCounter() = default;

RowCounter::Settings RowCounter::readSettings(const QTextBlock &probe) const
{
    Settings s;
    const QTextDocument *doc = m_edit->document();
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    s.font = doc->defaultFont();
    if (!probe.isValid() || !layout)
        return s;
    // The row width is the one the box last laid its blocks out with.
    layout->blockBoundingRect(probe);
    const QTextLayout *laidOut = probe.layout();
    if (!laidOut || laidOut->lineCount() == 0)
        return s;
    s.lineWidth = std::llround(laidOut->lineAt(0).width() * 64);
    const QTextOption option = doc->defaultTextOption();
    s.tabStop = tabStopOf(option, layout);
    s.arithmetic = optionsAllowArithmetic(option, layout);
    return s;
}

bool RowCounter::refreshSettings(const QTextBlock &probe)
{
    Settings s = readSettings(probe);
    if (s == m_settings && m_widths)
        return false;
    if (!m_widths || !(m_widths->font() == s.font))
        m_widths = std::make_unique<CharWidths>(s.font);
    m_settings = std::move(s);
    return true;
}

std::optional<BlockMeasure> RowCounter::measure(QStringView text)
{
    if (!m_settings.arithmetic || !m_widths || m_settings.lineWidth < 0
        || text.size() > kLongestArithmeticBlock)
        return std::nullopt;
    for (;;) {
        const BlockMeasure m = measureBlock(text, m_widths->table(), m_settings.tabStop);
        if (m.unknownAt < 0)
            return m.measurable ? std::optional<BlockMeasure>(m) : std::nullopt;
        m_widths->measure(text[m.unknownAt].unicode());
    }
}

const quint8 *RowCounter::breakOpportunities(QStringView text)
{
    m_breaks.assign(size_t(text.size()) + 1, 0);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    for (qsizetype p = finder.toNextBoundary(); p >= 0; p = finder.toNextBoundary())
        m_breaks[size_t(p)] = 1;
    return m_breaks.data();
}

bool RowCounter::arithmeticRowStarts(QStringView text, std::vector<int> &starts)
{
    const std::optional<BlockMeasure> m = measure(text);
    if (!m)
        return false;
    if (m->width <= m_settings.lineWidth) {
        starts.assign(1, 0);
        return true;
    }
    // Blanks wider than a row end it where the layout's own item boundaries fall.
    if (m->widestSpaceRun > m_settings.lineWidth)
        return false;
    const RowMetrics metrics{m_settings.lineWidth, m_settings.tabStop};
    wrapRows(text, m_widths->table(), breakOpportunities(text), metrics, starts);
    return true;
}

std::optional<int> RowCounter::arithmeticRowCount(QStringView text)
{
    const std::optional<BlockMeasure> m = measure(text);
    if (!m)
        return std::nullopt;
    if (m->width <= m_settings.lineWidth)
        return 1;
    if (!arithmeticRowStarts(text, m_scratch))
        return std::nullopt;
    return int(m_scratch.size());
}

int RowCounter::laidOutRowCount(const QTextBlock &block)
{
    block.document()->documentLayout()->blockBoundingRect(block);
    return std::max(1, block.layout()->lineCount());
}

void RowCounter::laidOutRowStarts(const QTextBlock &block, std::vector<int> &starts)
{
    const int rows = laidOutRowCount(block);
    starts.assign(1, 0);
    for (int i = 1; i < rows; ++i)
        starts.push_back(block.layout()->lineAt(i).textStart());
}

int RowCounter::rowCount(const QTextBlock &block, QStringView text)
{
    if (const std::optional<int> rows = arithmeticRowCount(text))
        return *rows;
    return laidOutRowCount(block);
}

void RowCounter::rowStarts(const QTextBlock &block, std::vector<int> &starts)
{
    if (!arithmeticRowStarts(block.text(), starts))
        laidOutRowStarts(block, starts);
}

} // namespace wimblet
