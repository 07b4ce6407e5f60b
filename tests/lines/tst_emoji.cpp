// The emoji sequences found in a text: each kind whole, text-style characters left
// out, and broken sequences taken apart as far as they still hold.
#include "lines/emoji.h"

#include <QTest>

using namespace wimblet;

class EmojiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sequencesAreFoundWhole_data();
    void sequencesAreFoundWhole();
};

void EmojiTest::sequencesAreFoundWhole_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("sequences");
    const auto s = [](const char16_t *text) { return QString::fromUtf16(text); };
    QTest::newRow("plain text") << s(u"abc 123 #*") << QStringList {};
    QTest::newRow("emoji presentation alone") << s(u"a\U0001F600b\U0001F48F")
                                              << QStringList {s(u"\U0001F600"), s(u"\U0001F48F")};
    QTest::newRow("family") << s(u"\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466")
                            << QStringList {s(u"\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466")};
    QTest::newRow("U+FE0F inside ZWJ sequences")
        << s(u"\U0001F3F4\u200D\u2620\uFE0F \U0001F3F3\uFE0F\u200D\U0001F308")
        << QStringList {s(u"\U0001F3F4\u200D\u2620\uFE0F"), s(u"\U0001F3F3\uFE0F\u200D\U0001F308")};
    QTest::newRow("skin tones") << s(u"\U0001F44D\U0001F3FD\u261D\U0001F3FB")
                                << QStringList {s(u"\U0001F44D\U0001F3FD"), s(u"\u261D\U0001F3FB")};
    QTest::newRow("skin tone after no base stands alone")
        << s(u"\U0001F600\U0001F3FD") << QStringList {s(u"\U0001F600"), s(u"\U0001F3FD")};
    QTest::newRow("keycaps") << s(u"1\uFE0F\u20E3#\u20E3*\uFE0F\u20E3")
                             << QStringList {s(u"1\uFE0F\u20E3"), s(u"#\u20E3"), s(u"*\uFE0F\u20E3")};
    QTest::newRow("U+FE0F makes emoji") << s(u"\u2665\uFE0F\u00A9\uFE0F5\uFE0F")
                                        << QStringList {s(u"\u2665\uFE0F"), s(u"\u00A9\uFE0F"), s(u"5\uFE0F")};
    QTest::newRow("text style stays out") << s(u"\u2665 \u00A9 \u2122 1 # \u263A") << QStringList {};
    QTest::newRow("U+FE0E asks for text") << s(u"\U0001F600\uFE0E") << QStringList {};
    QTest::newRow("tag sequence")
        << s(u"\U0001F3F4\U000E0067\U000E0062\U000E0065\U000E006E\U000E0067\U000E007F")
        << QStringList {s(u"\U0001F3F4\U000E0067\U000E0062\U000E0065\U000E006E\U000E0067\U000E007F")};
    QTest::newRow("tags never cancelled")
        << s(u"\U0001F3F4\U000E0067\U000E0062") << QStringList {s(u"\U0001F3F4")};
    QTest::newRow("regional indicators pair from the left")
        << s(u"\U0001F1EE\U0001F1E9\U0001F1EF\U0001F1F5\U0001F1FA")
        << QStringList {s(u"\U0001F1EE\U0001F1E9"), s(u"\U0001F1EF\U0001F1F5"), s(u"\U0001F1FA")};
    QTest::newRow("lone ZWJs") << s(u"a\u200Db \u200D") << QStringList {};
    QTest::newRow("ZWJ before and after") << s(u"\u200D\U0001F600\u200Da")
                                          << QStringList {s(u"\U0001F600")};
    QTest::newRow("next to Thai, Latin and CJK")
        << s(u"\u0e44\u0e17\u0e22\U0001F468\u200D\U0001F469abc\U0001F1EE\U0001F1E9\u4e2d\U0001F48F\u4e2d")
        << QStringList {s(u"\U0001F468\u200D\U0001F469"), s(u"\U0001F1EE\U0001F1E9"), s(u"\U0001F48F")};
    QTest::newRow("lone surrogates") << QString(QChar(0xD83D)) + s(u"x\U0001F600") + QChar(0xDE00)
                                     << QStringList {s(u"\U0001F600")};
}

void EmojiTest::sequencesAreFoundWhole()
{
    QFETCH(QString, text);
    QFETCH(QStringList, sequences);

    QStringList found;
    for (const EmojiSequence &e : emojiSequences(text))
        found << text.mid(e.start, e.length);
    QCOMPARE(found, sequences);
}

QTEST_MAIN(EmojiTest)
#include "tst_emoji.moc"
