#include "support/prosecorpus.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>

namespace wimblet::testsupport {

namespace {

constexpr qsizetype kMostBytes = 2000;
constexpr qsizetype kLeastBytes = 20;

struct Passage {
    QString language;
    int index;
    QString text; // lines joined with CR LF
};

QList<Passage> passagesOf(const QString &path, const QString &language)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    const QString all = QString::fromUtf8(file.readAll());
    QList<Passage> passages;
    for (const QString &block : all.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts)) {
        const QString text = block.trimmed().replace(u'\n', QStringLiteral("\r\n"));
        passages.append({language, int(passages.size()), text});
    }
    return passages;
}

// The first sentence, when the passage has more than one.
QString firstSentence(const QString &text)
{
    static const QRegularExpression end(QStringLiteral("[.!?…](?=[ \\r])"));
    const QRegularExpressionMatch match = end.match(text);
    return match.hasMatch() ? text.left(match.capturedEnd()) : QString();
}

// Latin-1 letters pasted into UTF-8 text, each after an ASCII letter of a word.
QByteArray withStrayBytes(QByteArray bytes, int count, quint32 seed)
{
    static const char letters[] = "\xE9\xE8\xE0\xF1\xFC\xE7\xF6\xE4\xED\xF3";
    QRandomGenerator random(seed);
    for (int pasted = 0, tries = 0; pasted < count && tries < 1000; ++tries) {
        const auto at = qsizetype(random.bounded(int(bytes.size())));
        const auto before = uchar(bytes[at]);
        if (before >= 0x80 || !QChar::isLetter(before))
            continue;
        bytes.insert(at + 1, letters[random.bounded(int(sizeof letters - 1))]);
        ++pasted;
    }
    return bytes;
}

void addFiles(QList<CorpusFile> &files, const QString &name, const QString &text, bool heldOut)
{
    const QString body = text + QStringLiteral("\r\n");
    // ASCII reads the same either way, and so does ASCII with Latin-1 bytes pasted in.
    const bool ascii = std::all_of(body.cbegin(), body.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        return;
    QByteArray cp1252;
    if (encodeWindows1252(body, cp1252) && cp1252.size() >= kLeastBytes
        && cp1252.size() <= kMostBytes)
        files.append({name + QStringLiteral(" cp1252"), cp1252, TextEncoding::Windows1252, 0, heldOut});
    const auto seed = quint32(qHash(name));
    const int strays = int(seed % 4);
    const QByteArray utf8 = withStrayBytes(body.toUtf8(), strays, seed);
    if (utf8.size() >= kLeastBytes && utf8.size() <= kMostBytes)
        files.append({name + QStringLiteral(" utf8+%1").arg(strays), utf8, TextEncoding::Utf8,
                      strays, heldOut});
}

} // namespace

QList<CorpusFile> encodingCorpus()
{
    const QDir dir(QStringLiteral(WIMBLET_PROSE_DIR));
    QList<CorpusFile> files;
    for (const QString &entry : dir.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name)) {
        const QString language = entry.chopped(4);
        const QList<Passage> passages = passagesOf(dir.filePath(entry), language);
        for (const Passage &p : passages) {
            const QString name = QStringLiteral("%1 %2").arg(language).arg(p.index);
            const bool heldOut = p.index % 2 != 0;
            addFiles(files, name + QStringLiteral(" whole"), p.text, heldOut);
            const QString first = firstSentence(p.text);
            if (!first.isEmpty())
                addFiles(files, name + QStringLiteral(" first"), first, heldOut);
            if (p.index + 1 < passages.size())
                addFiles(files, name + QStringLiteral(" pair"),
                         p.text + QStringLiteral("\r\n\r\n") + passages[p.index + 1].text, heldOut);
        }
    }
    return files;
}

} // namespace wimblet::testsupport
