#pragma once
// Whether a well-formed UTF-8 sequence in bytes that are not UTF-8 throughout
// is more likely UTF-8 than Windows-1252 that happens to pair up: an accented
// capital or a ß before a curly quote or a dash is such a pair.


#include <QByteArrayView>
#include <QChar>
#include <QtGlobal>

namespace wimblet {

/// A character beside a sequence in the UTF-8 reading of the bytes: none (the
/// start or the end), a character (ASCII included) or a stray byte.
struct Utf8Neighbour {
    enum class Kind : quint8 { None, Char, Stray };
    Kind kind = Kind::None;
    char32_t c = 0;
};

/// What stands around a sequence: the characters just before and after it, and
/// the script of the nearest letter on each side when it is at most one
/// character further away (QChar::Script_Unknown when there is none).
struct Utf8Surroundings {
    Utf8Neighbour before;
    Utf8Neighbour after;
    QChar::Script scriptBefore = QChar::Script_Unknown;
    QChar::Script scriptAfter = QChar::Script_Unknown;
};

/// The script a character counts as a letter of, for the letters near a
/// sequence: ASCII letters are Latin, Han, kana, Hangul and Bopomofo one
/// script; Script_Unknown for a character that is no letter, number or mark
/// of a script of its own.
QChar::Script utf8LetterScript(char32_t c);

/// True when the well-formed sequence `bytes`, which decodes to `c`, reads
/// more likely as that character than as its Windows-1252 bytes: a Latin-1 or
/// Latin Extended-A letter, a Latin-1 symbol, common punctuation, a symbol or
/// emoji, a mark after what it can mark, or a letter of another script with a
/// letter of the same script nearby; but not a C1 control, an IPA or Latin
/// Extended-B letter, a lone mark, a lone letter of another script, nor a
/// pair that reads in Windows-1252 as the last letter of a word followed by a
/// closing quote, dash or ellipsis ("Fuß”", "CAFÉ”").
bool utf8SequenceCredible(QByteArrayView bytes, char32_t c, const Utf8Surroundings &around);

/// Counts the well-formed multi-byte sequences of a walk over bytes (the UTF-8
/// validator's, in chunks of any size) by utf8SequenceCredible(), each judged
/// with what stands around it in the whole input: a sequence waits for at most
/// two characters after it.
class Utf8Evidence
{
public:
    struct Counts {
        qint64 credible = 0;      ///< sequences
        qint64 credibleBytes = 0; ///< bytes in them
        qint64 doubtfulBytes = 0; ///< bytes in the other sequences
    };

    /// A run of letters taken at once: where it stopped, and its sequences and the
    /// UTF-16 units they make.
    struct Word {
        const uchar *stop;
        qint64 sequences;
        qint64 units;
    };

    /// The next characters are the ASCII of [p, end).
    void takeAscii(const uchar *p, const uchar *end);
    /// The next character is the complete sequence `bytes`.
    void takeSequence(const uchar *bytes, int length);
    /// The next bytes are stray: one ill-formed stretch.
    void takeStray();
    /// Takes the complete sequences from `p` on that are letters of the script of
    /// the letter just taken, credible whatever follows; none when that is not so.
    Word takeWordOfScript(const uchar *p, const uchar *end);

    /// The counts for what was taken so far as the whole input, with a sequence
    /// the end cuts short after it when `cutShortAtEnd`.
    Counts counts(bool cutShortAtEnd) const;

private:
    struct Pending {
        uchar bytes[4];
        quint8 length;
        char32_t c;
        Utf8Surroundings around;
        quint8 seen; // characters after it so far
    };

    void take(Utf8Neighbour item);
    void advance(Utf8Neighbour item, QChar::Script script);
    void judge(const Pending &pending);
    void finish();

    static constexpr int kMostPending = 4;

    Utf8Neighbour m_before;
    QChar::Script m_letterScript = QChar::Script_Unknown;
    quint8 m_sinceLetter = 2; // characters since the last letter, at most 2
    Pending m_pending[kMostPending] = {};
    int m_pendingCount = 0;
    Counts m_counts;
};

} // namespace wimblet
