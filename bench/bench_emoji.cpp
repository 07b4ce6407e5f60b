// What finding emoji sequences adds to a row's layout, for every script: the formats
// for rows of text against laying the same rows out, and on plain text the finder's
// one pass against a bare pass over the same units.
#include "harness.h"

#include "lines/emoji.h"
#include "support/mixedscripts.h"

#include <QGuiApplication>
#include <QTextLayout>

#include <algorithm>
#include <cstdio>

using namespace wimblet;
using namespace wimblet::testsupport;

namespace {

constexpr int kRowUnits = 100;
constexpr int kRepeats = 5;

QStringList rowsOf(const QString &text)
{
    QStringList rows;
    for (qsizetype at = 0; at < text.size(); at += kRowUnits)
        rows << text.mid(at, kRowUnits);
    return rows;
}

double layingOut(const QStringList &rows, const QFont &font, bool formats)
{
    return bench::bestOf(kRepeats, [&] {
        for (const QString &row : rows) {
            QTextLayout layout(row, font);
            if (formats)
                layout.setFormats(emojiFormats(row));
            layout.beginLayout();
            layout.createLine().setLineWidth(1e6);
            layout.endLayout();
        }
    });
}

} // namespace

WIMBLET_BENCH(emoji_formats)
{
    bench::ensureApplication();
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSizeF(9.75);
    const QList<Script> scripts = {Script::Latin, Script::Cjk, Script::Thai, Script::Tamil,
                                   Script::Devanagari, Script::Arabic, Script::Hebrew, Script::Ethiopic,
                                   Script::Marks, Script::Emoji, Script::Flags, Script::EmojiSequences};
    for (Script script : scripts) {
        const QStringList rows = rowsOf(mixedParagraph({script, Script::Latin}, 200'000, 7));
        qsizetype found = 0;
        const double finding = bench::bestOf(kRepeats, [&] {
            for (const QString &row : rows)
                found += emojiFormats(row).size();
        });
        const double plain = layingOut(rows, font, false);
        const QByteArray what = "emoji formats / row layouts, " + scriptName(script).toUtf8() + "+Latin";
        bench::reportRatio(what.constData(), finding, plain, 0.1);
        if (script == Script::Emoji || script == Script::EmojiSequences) {
            const QByteArray laid = "row layouts with emoji formats / without, " + scriptName(script).toUtf8();
            bench::reportRatioOnly(laid.constData(), layingOut(rows, font, true), plain);
        }
    }
    // Plain text: one pass, nothing allocated.
    const QString latin = mixedParagraph({Script::Latin}, 5'000'000, 7);
    qsizetype sequences = 0;
    const double finder = bench::bestOf(3 * kRepeats, [&] { sequences += emojiSequences(latin).size(); });
    qsizetype spaces = 0;
    const double bare = bench::bestOf(3 * kRepeats, [&] { spaces += std::count(latin.begin(), latin.end(), u' '); });
    bench::reportRatio("emoji finder / counting spaces, 5 M units of Latin", finder, bare, 1.5);
    std::printf("  (%lld sequences, %lld spaces)\n", qlonglong(sequences), qlonglong(spaces));
}
