// Finding tokens a chunk at a time from bit masks, against a plain character-by-character
// scan, at the lengths where blocks and chunks begin and end.

#include "convert/tokenscan.h"

#include <QRandomGenerator>
#include <QTest>

#include <string>
#include <vector>

using namespace wimblet::detail;

class TestTokenScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void batchesMatchAPlainScan_data();
    void batchesMatchAPlainScan();
};

namespace {

std::vector<std::pair<qsizetype, qsizetype>> plainScan(const std::u16string &text)
{
    std::vector<std::pair<qsizetype, qsizetype>> tokens;
    const auto size = qsizetype(text.size());
    for (qsizetype at = 0; at < size;) {
        if (separatesTokens(text[std::size_t(at)])) {
            ++at;
            continue;
        }
        const qsizetype start = at;
        while (at < size && !separatesTokens(text[std::size_t(at)]))
            ++at;
        tokens.emplace_back(start, at);
    }
    return tokens;
}

struct Collector {
    std::vector<std::pair<qsizetype, qsizetype>> found;
    std::size_t largestBatch = 0;
    void tokens(const TokenSpan *spans, std::size_t count)
    {
        largestBatch = std::max(largestBatch, count);
        for (std::size_t i = 0; i < count; ++i)
            found.emplace_back(spans[i].start, spans[i].end);
    }
};

} // namespace

void TestTokenScan::batchesMatchAPlainScan_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("separatorPercent");

    for (const int length : {0, 1, 2, 63, 64, 65, 127, 128, 129, 4095, 4096, 4097, 8191, 8192,
                             8193, 20011}) {
        for (const int percent : {0, 15, 50, 100}) {
            QTest::addRow("%d characters, %d%% separators", length, percent)
                    << length << percent;
        }
    }
}

void TestTokenScan::batchesMatchAPlainScan()
{
    QFETCH(int, length);
    QFETCH(int, separatorPercent);
    // Separators from U+0000 to U+0020; token characters just above, and high ones that a
    // signed comparison would take for separators.
    using namespace std::string_literals;
    const std::u16string separators = u" \t\r\n\0\x1F"s;
    const std::u16string others = u"!aZ\x7F\x80\xE9\x8000\xFFFF\xD83D\xDE00"s;
    QRandomGenerator random(quint32(length * 131 + separatorPercent));
    for (int round = 0; round < 20; ++round) {
        std::u16string text;
        for (int i = 0; i < length; ++i) {
            const std::u16string &from =
                    int(random.bounded(100)) < separatorPercent ? separators : others;
            text += from[random.bounded(int(from.size()))];
        }
        Collector collector;
        forEachTokenBatch(text.data(), qsizetype(text.size()), collector);
        QCOMPARE(collector.found, plainScan(text));
        QVERIFY(collector.largestBatch <= MaxTokenBatch);
    }
}

QTEST_GUILESS_MAIN(TestTokenScan)
#include "tst_tokenscan.moc"
