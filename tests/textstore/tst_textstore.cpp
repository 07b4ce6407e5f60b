// The text store against a plain QString doing the same edits: contents, CR LF line
// queries across piece edges, piece reading, snapshots, and how few pieces typing makes.
#include "textstore/textstore.h"

#include "support/sampletext.h"

#include <QRandomGenerator>
#include <QTest>

#include <memory>
#include <vector>

using namespace wimblet;

namespace {

struct Edit
{
    qint64 offset;
    qint64 removed;
    QString inserted;
};
using Edits = std::vector<Edit>;

// Offsets where lines start in a plain string: 0 and after each CR LF.
std::vector<qint64> lineStartsOf(const QString &text)
{
    std::vector<qint64> starts {0};
    for (qsizetype i = 1; i < text.size(); ++i)
        if (text[i] == u'\n' && text[i - 1] == u'\r')
            starts.push_back(i + 1);
    return starts;
}

qint64 lineOf(const std::vector<qint64> &starts, qint64 offset)
{
    return qint64(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
}

QString piecesOf(const TextStore &store, qint64 offset, qint64 count)
{
    QString out;
    store.forEachPiece(offset, count, [&out](QStringView piece) { out.append(piece); });
    return out;
}

// Text of the given kind: prose, stray CRs and LFs among CR LF pairs, or astral
// characters (surrogate pairs) among breaks.
QString textOfKind(const QString &kind, qsizetype size, QRandomGenerator &rng)
{
    if (kind == u"prose")
        return testsupport::sampleText(size, rng.generate()).left(size);
    const QString alphabet = kind == u"breaks" ? QStringLiteral("ab \r\n\r\n\r\r\n\n\u2028")
                                               : QStringLiteral("a\U0001F600\r\n\U0001D11E b");
    QString out;
    while (out.size() < size)
        out += alphabet.mid(rng.bounded(int(alphabet.size())), 1 + rng.bounded(3));
    return out;
}

// Every query of the store, at the line edges and at random places, against the model.
void compareWithModel(const TextStore &store, const QString &model, QRandomGenerator &rng)
{
    QCOMPARE(store.length(), model.size());
    QCOMPARE(store.toString(), model);
    const std::vector<qint64> starts = lineStartsOf(model);
    QCOMPARE(store.lineCount(), qint64(starts.size()));
    for (int k = 0; k < 6; ++k) {
        const qint64 line = rng.bounded(int(starts.size()));
        QCOMPARE(store.lineStart(line), starts[size_t(line)]);
        const qint64 end
            = line + 1 < qint64(starts.size()) ? starts[size_t(line) + 1] - 2 : model.size();
        QCOMPARE(store.lineLength(line), end - starts[size_t(line)]);
        for (qint64 offset : {starts[size_t(line)], qMax<qint64>(0, starts[size_t(line)] - 1),
                              qint64(rng.bounded(int(model.size()) + 1))})
            QCOMPARE(store.lineOfOffset(offset), lineOf(starts, offset));
    }
    const qint64 from = rng.bounded(int(model.size()) + 1);
    const qint64 count = rng.bounded(int(model.size() - from) + 1);
    QCOMPARE(store.text(from, count), model.mid(from, count));
    QCOMPARE(piecesOf(store, from, count), model.mid(from, count));
    if (!model.isEmpty()) {
        const qint64 at = rng.bounded(int(model.size()));
        QCOMPARE(store.at(at), model[at]);
    }
}

// One random edit, done to both; now and then a run of typing at one place.
void randomEdit(TextStore &store, QString &model, const QString &kind, QRandomGenerator &rng)
{
    const qint64 offset = rng.bounded(int(model.size()) + 1);
    const int what = rng.bounded(10);
    if (what < 2) {
        const QString typed = textOfKind(kind, 40, rng);
        for (qsizetype i = 0; i < typed.size(); ++i) {
            store.insert(offset + i, typed.mid(i, 1));
            model.insert(offset + i, typed[i]);
        }
        return;
    }
    // Now and then a long stretch goes, emptying whole nodes of the tree.
    const qint64 most = qMin<qint64>(what == 9 ? model.size() / 4 : 3000, model.size() - offset);
    const qint64 removed = what < 5 ? 0 : rng.bounded(int(most) + 1);
    const QString inserted = what >= 8 ? QString() : textOfKind(kind, rng.bounded(2) ? 5 : 2500, rng);
    store.replace(offset, removed, inserted);
    model.replace(offset, removed, inserted);
}

} // namespace

Q_DECLARE_METATYPE(Edits)

class TextStoreTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsPlainStringUnderRandomEdits_data();
    void followsPlainStringUnderRandomEdits();
    void keepsBreaksAcrossPieceEdges_data();
    void keepsBreaksAcrossPieceEdges();
    void snapshotTellsChangesAnywhere_data();
    void snapshotTellsChangesAnywhere();
    void snapshotOutlivesWhatTheStoreDoesNext_data();
    void snapshotOutlivesWhatTheStoreDoesNext();
    void typingKeepsPiecesFew_data();
    void typingKeepsPiecesFew();
    void indexStaysSmallBesideTheText_data();
    void indexStaysSmallBesideTheText();
    void loadedTextIsReadWhereItLies_data();
    void loadedTextIsReadWhereItLies();
    void lookupsOfStoresTakenInTurnStayApart_data();
    void lookupsOfStoresTakenInTurnStayApart();
};

void TextStoreTest::followsPlainStringUnderRandomEdits_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("size"); // large enough for a tree of several levels
    for (const char *kind : {"prose", "breaks", "surrogates"}) {
        for (quint32 seed : {1u, 2u, 3u})
            QTest::addRow("%s/%u", kind, seed) << QString::fromLatin1(kind) << seed << 6000;
        QTest::addRow("%s/large", kind) << QString::fromLatin1(kind) << 20261208u << 1500000;
    }
}

void TextStoreTest::followsPlainStringUnderRandomEdits()
{
    QFETCH(QString, kind);
    QFETCH(quint32, seed);
    QFETCH(int, size);
    QRandomGenerator rng(seed);
    QString model = textOfKind(kind, size, rng);
    TextStore store(model);
    TextStore::Snapshot saved = store.snapshot();
    QString savedText = model;
    for (int step = 0; step < 150; ++step) {
        randomEdit(store, model, kind, rng);
        QCOMPARE(store.brokenInvariant(), QString());
        compareWithModel(store, model, rng);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("after edit %1").arg(step)));
        QCOMPARE(store.contentEquals(saved), model == savedText);
        if (step % 25 == 0) {
            saved = store.snapshot();
            savedText = model;
        }
        QCOMPARE(saved.toString(), savedText);
    }
}

void TextStoreTest::keepsBreaksAcrossPieceEdges_data()
{
    QTest::addColumn<QString>("loaded");
    QTest::addColumn<Edits>("edits");
    QTest::addColumn<QString>("expected");
    const QString longRun(1023, u'a'); // the loaded text is cut into pieces of 1024 units
    QTest::newRow("insert between CR and LF") << "ab\r\ncd" << Edits {{3, 0, "x"}} << "ab\rx\ncd";
    QTest::newRow("LF after a loaded CR") << "ab\r" << Edits {{3, 0, "\n"}} << "ab\r\n";
    QTest::newRow("LF of a pair removed") << "ab\r\ncd" << Edits {{3, 1, ""}} << "ab\rcd";
    QTest::newRow("CR of a pair removed") << "ab\r\ncd" << Edits {{2, 1, ""}} << "ab\ncd";
    QTest::newRow("removal joins CR and LF") << "ab\rX\ncd" << Edits {{3, 1, ""}} << "ab\r\ncd";
    QTest::newRow("empty") << "" << Edits {} << "";
    QTest::newRow("insert into empty") << "" << Edits {{0, 0, "a\r\nb"}} << "a\r\nb";
    QTest::newRow("CR put before a leading LF") << "\ncd" << Edits {{0, 0, "\r"}} << "\r\ncd";
    QTest::newRow("break appended at length") << "ab" << Edits {{2, 0, "\r\n"}} << "ab\r\n";
    QTest::newRow("everything removed") << "a\r\nb" << Edits {{0, 4, ""}} << "";
    QTest::newRow("leading CR removed") << "\r\n\r\n" << Edits {{0, 1, ""}} << "\n\r\n";
    QTest::newRow("CR then LF typed") << "x" << Edits {{1, 0, "\r"}, {2, 0, "\n"}} << "x\r\n";
    QTest::newRow("LF typed before a CR") << "\r\n" << Edits {{1, 0, "\n"}} << "\r\n\n";
    QTest::newRow("pair across loaded pieces") << longRun + "\r\nb" << Edits {} << longRun + "\r\nb";
    QTest::newRow("LF of a pair across pieces removed")
        << longRun + "\r\nb" << Edits {{1024, 1, ""}} << longRun + "\rb";
    QTest::newRow("typed in the middle of a pair across pieces")
        << longRun + "\r\nb" << Edits {{1024, 0, "y"}, {1025, 0, "z"}, {1024, 2, ""}}
        << longRun + "\r\nb";
    QTest::newRow("text longer than a piece")
        << "\r" << Edits {{1, 0, QString(1500, u'\n')}} << "\r" + QString(1500, u'\n');
}

void TextStoreTest::keepsBreaksAcrossPieceEdges()
{
    QFETCH(QString, loaded);
    QFETCH(Edits, edits);
    QFETCH(QString, expected);
    TextStore store(loaded);
    for (const Edit &edit : edits) {
        store.replace(edit.offset, edit.removed, edit.inserted);
        QCOMPARE(store.brokenInvariant(), QString());
    }
    QCOMPARE(store.toString(), expected);
    const std::vector<qint64> starts = lineStartsOf(expected);
    QCOMPARE(store.lineCount(), qint64(starts.size()));
    for (size_t line = 0; line < starts.size(); ++line)
        QCOMPARE(store.lineStart(qint64(line)), starts[line]);
    for (qint64 offset = 0; offset <= expected.size(); ++offset)
        QCOMPARE(store.lineOfOffset(offset), lineOf(starts, offset));
    QCOMPARE(piecesOf(store, 0, store.length()), expected);
}

void TextStoreTest::snapshotTellsChangesAnywhere_data()
{
    QTest::addColumn<double>("where"); // as a share of the text's length
    QTest::newRow("first unit") << 0.0;
    QTest::newRow("middle") << 0.5;
    QTest::newRow("far from the start") << 0.97;
    QTest::newRow("last unit") << 1.0;
}

void TextStoreTest::snapshotTellsChangesAnywhere()
{
    QFETCH(double, where);
    const QString loaded = testsupport::sampleText(300 * 1024);
    TextStore store(loaded);
    const TextStore::Snapshot saved = store.snapshot();
    const qint64 at = qMin(store.length() - 1, qint64(where * double(store.length())));
    const QChar old = store.at(at);
    const QChar other = old == u'#' ? u'%' : u'#';

    store.replace(at, 1, QStringView(&other, 1));
    QVERIFY(!store.contentEquals(saved));
    store.replace(at, 1, QStringView(&old, 1));
    QVERIFY2(store.contentEquals(saved), "the same text in other pieces");
    store.insert(at, u"kata");
    QVERIFY(!store.contentEquals(saved));
    store.remove(at, 4);
    QVERIFY(store.contentEquals(saved));
    QCOMPARE(saved.toString(), loaded);
    QString pieces;
    saved.forEachPiece([&pieces](QStringView piece) { pieces.append(piece); });
    QCOMPARE(pieces, loaded);
}

void TextStoreTest::snapshotOutlivesWhatTheStoreDoesNext_data()
{
    QTest::addColumn<QString>("next");
    QTest::newRow("typing goes on") << "type";
    QTest::newRow("backspace, then typing") << "backspace";
    QTest::newRow("another text loaded") << "assign";
    QTest::newRow("store gone") << "destroy";
}

void TextStoreTest::snapshotOutlivesWhatTheStoreDoesNext()
{
    QFETCH(QString, next);
    auto store = std::make_unique<TextStore>(QStringLiteral("loaded\r\n"));
    for (QChar c : QStringLiteral("typed"))
        store->insert(store->length(), QStringView(&c, 1));
    const TextStore::Snapshot saved = store->snapshot();
    if (next == u"type" || next == u"backspace") {
        if (next == u"backspace")
            store->remove(store->length() - 3, 3);
        for (QChar c : QStringLiteral("XYZ"))
            store->insert(store->length(), QStringView(&c, 1));
        QVERIFY(!store->contentEquals(saved));
    } else if (next == u"assign") {
        store->assign(QStringLiteral("other"));
    } else {
        store.reset();
    }
    QCOMPARE(saved.toString(), QStringLiteral("loaded\r\ntyped"));
    QCOMPARE(saved.length(), 13);
}

void TextStoreTest::typingKeepsPiecesFew_data()
{
    QTest::addColumn<QString>("loaded");
    QTest::addColumn<qint64>("at");
    QTest::newRow("into an empty text") << QString() << qint64(0);
    QTest::newRow("at the end") << QStringLiteral("abc\r\ndef") << qint64(8);
    QTest::newRow("in the middle of a line") << QStringLiteral("abc\r\ndef") << qint64(6);
}

void TextStoreTest::typingKeepsPiecesFew()
{
    QFETCH(QString, loaded);
    QFETCH(qint64, at);
    TextStore store(loaded);
    const qint64 before = store.pieceCount();
    QString typed;
    for (int i = 0; i < 10000; ++i) {
        const QChar c = i % 61 == 60 ? u'\n' : i % 61 == 59 ? u'\r' : QChar(u'a' + i % 26);
        store.insert(at + i, QStringView(&c, 1));
        typed += c;
    }
    // A typed piece holds up to a thousand units; the typed place may split one more.
    QVERIFY2(store.pieceCount() <= before + 2 + 10, qPrintable(QString::number(store.pieceCount())));
    QCOMPARE(store.toString(), QString(loaded).insert(at, typed));
    QCOMPARE(store.lineCount(), qint64(lineStartsOf(store.toString()).size()));
}

void TextStoreTest::indexStaysSmallBesideTheText_data()
{
    QTest::addColumn<bool>("oneParagraph"); // LF-only line ends: one line of megabytes
    QTest::addColumn<int>("edits");
    QTest::newRow("as loaded") << false << 0;
    QTest::newRow("after scattered edits") << false << 2000;
    QTest::newRow("one paragraph, after scattered edits") << true << 2000;
}

void TextStoreTest::indexStaysSmallBesideTheText()
{
    QFETCH(bool, oneParagraph);
    QFETCH(int, edits);
    QString loaded = testsupport::sampleText(8 << 20);
    if (oneParagraph)
        loaded.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    TextStore store(loaded);
    QRandomGenerator rng(11);
    for (int k = 0; k < edits; ++k) {
        const qint64 at = rng.bounded(int(store.length()));
        if (k % 2)
            store.remove(at, 1 + rng.bounded(200));
        else
            store.insert(at, u"kata baru");
    }
    // Nothing per line: the text's 2 bytes a unit plus about 2%, and each edit's
    // pieces (a cut and the new text) a few dozen bytes apiece.
    const double textBytes = 2.0 * double(store.length());
    QVERIFY2(double(store.indexBytes()) <= 0.03 * textBytes + 2 * 80.0 * edits,
             qPrintable(QString::number(store.indexBytes())));
    QCOMPARE(store.lineCount() == 1, oneParagraph);
}

void TextStoreTest::loadedTextIsReadWhereItLies_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("one piece") << 100;
    QTest::newRow("many pieces") << (3 << 20);
}

void TextStoreTest::loadedTextIsReadWhereItLies()
{
    QFETCH(int, size);
    const QString loaded = testsupport::sampleText(size).left(size);
    const TextStore store(loaded);
    // Every piece points into the loaded string itself: nothing was copied.
    const char16_t *const first = QStringView(loaded).utf16();
    const char16_t *expected = first;
    bool inPlace = true;
    store.forEachPiece(0, store.length(), [&](QStringView piece) {
        inPlace = inPlace && piece.utf16() == expected;
        expected += piece.size();
    });
    QVERIFY(inPlace);
    QCOMPARE(expected - first, loaded.size());
    // So is the whole text, until an edit, even one undone.
    QCOMPARE(store.toString().constData(), loaded.constData());
    TextStore edited(loaded);
    edited.insert(size / 2, QStringLiteral("x"));
    edited.remove(size / 2, 1);
    QCOMPARE(edited.toString(), loaded);
    QVERIFY(edited.toString().constData() != loaded.constData() || size == 0);
}

void TextStoreTest::lookupsOfStoresTakenInTurnStayApart_data()
{
    // A lookup starts from where the last one ended; that must be the same store,
    // unchanged since, even when another store, or a moved one, was asked between.
    QTest::addColumn<bool>("moveBetween");
    QTest::addColumn<QString>("edit"); // where the first store is edited between lookups
    QTest::newRow("two stores in turn") << false << "nowhere";
    QTest::newRow("edited anywhere between lookups") << false << "anywhere";
    QTest::newRow("edited at the start, no piece cut") << false << "start";
    QTest::newRow("moved between lookups") << true << "nowhere";
}

void TextStoreTest::lookupsOfStoresTakenInTurnStayApart()
{
    QFETCH(bool, moveBetween);
    QFETCH(QString, edit);
    QRandomGenerator rng(7);
    QString first = textOfKind(QStringLiteral("breaks"), 200000, rng);
    const QString second = textOfKind(QStringLiteral("breaks"), 200000, rng);
    TextStore a(first);
    TextStore b(second);
    const std::vector<qint64> secondStarts = lineStartsOf(second);
    for (int k = 0; k < 200; ++k) {
        const qint64 offset = rng.bounded(150000);
        if (moveBetween)
            std::swap(a, b);
        const TextStore &firstStore = moveBetween && k % 2 == 0 ? b : a;
        const TextStore &secondStore = moveBetween && k % 2 == 0 ? a : b;
        QCOMPARE(firstStore.lineOfOffset(offset), lineOf(lineStartsOf(first), offset));
        if (edit != u"nowhere") {
            const qint64 at = edit == u"start" ? 0 : offset;
            a.insert(at, u"\r\n");
            first.insert(at, u"\r\n");
        }
        const std::vector<qint64> firstStarts = lineStartsOf(first);
        QCOMPARE(firstStore.lineOfOffset(offset), lineOf(firstStarts, offset));
        QCOMPARE(firstStore.lineStart(lineOf(firstStarts, offset)),
                 firstStarts[size_t(lineOf(firstStarts, offset))]);
        QCOMPARE(secondStore.lineOfOffset(offset), lineOf(secondStarts, offset));
        QCOMPARE(secondStore.lineStart(100), secondStarts[100]);
    }
}

QTEST_GUILESS_MAIN(TextStoreTest)
#include "tst_textstore.moc"
