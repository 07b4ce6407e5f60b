// The text store: an edit or a line query in a long document, or at the end of a long
// line, costs about what it costs in a short document; loading indexes the text in a
// fraction of the time its decoding takes.
#include "harness.h"

#include "textstore/textstore.h"

#include <algorithm>
#include <cstdio>

using namespace wimblet;

namespace {

constexpr qsizetype kLargeBytes = qsizetype(50) << 20;
constexpr qsizetype kLongLineBytes = qsizetype(5) << 20;
constexpr qsizetype kSmallUnits = 1024;
constexpr int kRounds = 15;

// A cheap, repeatable spread of positions.
struct Spread
{
    quint64 state = 88172645463325252ull;
    qint64 next(qint64 bound)
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return qint64(state % quint64(bound));
    }
};

struct PerOp
{
    double large = 1e100;
    double small = 1e100;
};

// Best time per operation of `ops` run on a freshly loaded copy of each text, the two
// texts taking turns in every round so that both see the same load on the machine.
template<class Ops> PerOp perOperation(const QString &large, const QString &small, int count, Ops ops)
{
    PerOp best;
    TextStore largeStore, smallStore;
    for (int round = 0; round < kRounds; ++round) {
        largeStore.assign(large);
        smallStore.assign(small);
        best.large = std::min(best.large, bench::bestOf(1, [&] { ops(largeStore); }) / count);
        best.small = std::min(best.small, bench::bestOf(1, [&] { ops(smallStore); }) / count);
    }
    return best;
}

PerOp typingAtEnd(const QString &large, const QString &small)
{
    constexpr int kTyped = 2000;
    return perOperation(large, small, kTyped, [](TextStore &store) {
        const QChar letter = u'k';
        for (int i = 0; i < kTyped; ++i)
            store.insert(store.length(), QStringView(&letter, 1));
    });
}

// Characters put at the middle, each before the one put last, so that none grows a
// piece; or at places scattered over the megabyte around the middle, each cutting a
// piece whose text must first come from memory.
PerOp insertsInMiddle(const QString &large, const QString &small, bool scattered)
{
    constexpr int kInserts = 64;
    return perOperation(large, small, kInserts, [scattered](TextStore &store) {
        Spread spread;
        const QChar letter = u'k';
        const qint64 reach = scattered ? std::min<qint64>(store.length() / 2, 1 << 20) : 1;
        const qint64 first = store.length() / 2 - reach / 2;
        for (int i = 0; i < kInserts; ++i)
            store.insert(first + spread.next(reach), QStringView(&letter, 1));
    });
}

// Queries about the lines near one place, as the caret's status asks them, or about
// places anywhere in the text.
PerOp lineLookups(const QString &large, const QString &small, bool scattered)
{
    constexpr int kLookups = 20000;
    qint64 sink = 0;
    const PerOp best = perOperation(large, small, kLookups, [&](TextStore &store) {
        Spread spread;
        const qint64 middle = store.lineStart(store.lineCount() / 2);
        const qint64 lines = scattered ? store.lineCount() : std::min<qint64>(store.lineCount(), 40);
        const qint64 firstLine = store.lineOfOffset(middle) - lines / 2;
        const qint64 units = scattered ? store.length() + 1 : std::min<qint64>(store.length(), 4096);
        const qint64 firstUnit = scattered ? 0 : std::max<qint64>(0, middle - units / 2);
        for (int i = 0; i < kLookups; i += 2) {
            sink += store.lineStart(firstLine + spread.next(lines));
            sink += store.lineOfOffset(firstUnit + spread.next(units));
        }
    });
    if (sink == 42)
        std::printf("  (%lld)\n", qlonglong(sink));
    return best;
}

// Typing where the caret sits in the middle of a line, after the first key cut its piece.
PerOp typingInMiddle(const QString &large, const QString &small)
{
    constexpr int kTyped = 2000;
    return perOperation(large, small, kTyped, [](TextStore &store) {
        const QChar letter = u'k';
        const qint64 caret = store.lineStart(store.lineCount() / 2) + 3;
        for (int i = 0; i < kTyped; ++i)
            store.insert(caret + i, QStringView(&letter, 1));
    });
}

// Whether the text still equals the saved one: with the same pieces no text is read;
// a change undone leaves other pieces, and then the text is compared to the end.
void reportSnapshotChecks(const QString &large)
{
    TextStore store(large);
    const TextStore::Snapshot saved = store.snapshot();
    bool same = true;
    const double samePieces = bench::bestOf(5, [&] { same = same && store.contentEquals(saved); });
    const qint64 middle = store.length() / 2;
    const QString old = store.text(middle, 1);
    store.replace(middle, 1, u"#");
    store.replace(middle, 1, old);
    const double otherPieces = bench::bestOf(5, [&] { same = same && store.contentEquals(saved); });
    const double snapshot = bench::bestOf(5, [&] { (void)store.snapshot(); });
    std::printf("  %-58s %8.4f s\n", "snapshot of 50 MB", snapshot);
    std::printf("  %-58s %8.4f s\n", "unchanged? same pieces, 50 MB", samePieces);
    std::printf("  %-58s %8.4f s%s\n", "unchanged? a change undone (only its pieces read), 50 MB",
                otherPieces, same ? "" : "  WRONG ANSWER");
}

} // namespace

WIMBLET_BENCH(text_store)
{
    const QByteArray largeBytes = bench::sampleOfSize(kLargeBytes);
    const QString large = QString::fromUtf8(largeBytes);
    const QString small = large.left(kSmallUnits);
    QString longLine = QString::fromUtf8(bench::sampleOfSize(kLongLineBytes));
    longLine.replace(QLatin1String("\r\n"), QLatin1String("\n")); // one paragraph
    {
        const TextStore store(large);
        std::printf("  large text: %lld units, %lld lines, %lld pieces, tree %.1f MB (%.1f%% of "
                    "the text's bytes); long line: %lld units\n",
                    qlonglong(store.length()), qlonglong(store.lineCount()),
                    qlonglong(store.pieceCount()), double(store.indexBytes()) / (1 << 20),
                    100.0 * double(store.indexBytes()) / (2.0 * double(store.length())),
                    qlonglong(longLine.size()));
    }

    const PerOp typed = typingAtEnd(longLine, small);
    bench::reportRatioMicros("a typed character: end of a 5 MB line / 1 KB text", typed.large,
                             typed.small, 2);
    const PerOp middle = insertsInMiddle(large, small, false);
    bench::reportRatioMicros("a character put in the middle: 50 MB / 1 KB text", middle.large,
                             middle.small, 2);
    const PerOp lookups = lineLookups(large, small, false);
    bench::reportRatioMicros("lineStart or lineOfOffset near one place: 50 MB / 1 KB", lookups.large,
                             lookups.small, 2);
    const PerOp scatteredInserts = insertsInMiddle(large, small, true);
    std::printf("  %-58s %7.3f us / %7.3f us = %6.2f  (for comparison)\n",
                "characters scattered over 1 MB in the middle: 50 MB / 1 KB",
                scatteredInserts.large * 1e6, scatteredInserts.small * 1e6,
                scatteredInserts.large / scatteredInserts.small);
    const PerOp scatteredLookups = lineLookups(large, small, true);
    std::printf("  %-58s %7.3f us / %7.3f us = %6.2f  (for comparison)\n",
                "line lookups anywhere in the text: 50 MB / 1 KB", scatteredLookups.large * 1e6,
                scatteredLookups.small * 1e6, scatteredLookups.large / scatteredLookups.small);

    const PerOp typedInMiddle = typingInMiddle(large, small);
    bench::reportRatioMicros("a typed character in the middle: 50 MB / 1 KB text", typedInMiddle.large,
                             typedInMiddle.small, 2);
    reportSnapshotChecks(large);

    const double load = bench::bestOf(5, [&] { const TextStore store(large); });
    const double decode = bench::bestOf(5, [&] { const QString text = QString::fromUtf8(largeBytes); });
    bench::reportRatioOnly("loading 50 MB into a store / QString::fromUtf8 of it", load, decode);
}
