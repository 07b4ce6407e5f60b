#pragma once

#include "encoding/utf8evidence.h"
#include "encoding/utf8kernels.h"

#include <QByteArrayView>
#include <QtGlobal>

namespace wimblet {

/// What a run of bytes is as UTF-8 (by the rules of isValidUtf8()).
struct Utf8Check {
    /// Well-formed from start to end.
    bool valid = true;
    /// Offset of the first byte of the first ill-formed or cut-short sequence,
    /// which is also the length of the well-formed start; -1 when valid.
    qint64 firstInvalid = -1;
    /// A well-formed multi-byte sequence was seen, before or after any
    /// ill-formed one.
    bool multiByte = false;
    /// Every byte is ASCII.
    bool ascii = true;
    /// Well-formed multi-byte sequences.
    qint64 multiByteCount = 0;
    /// Of those, the ones that read more likely as UTF-8 than as Windows-1252
    /// where they stand (see utf8SequenceCredible()), the bytes they hold, and
    /// the bytes of the others.
    qint64 credibleSequences = 0;
    qint64 credibleBytes = 0;
    qint64 doubtfulBytes = 0;
    /// Bytes outside any well-formed sequence (each one a stand-in in the text).
    qint64 strayBytes = 0;
    /// UTF-16 units the bytes decode to as UTF-8, a stand-in for each stray byte.
    qint64 utf16Units = 0;
};

/// Whether bytes are read as UTF-8: when valid, and when sequences that read
/// as UTF-8 where they stand hold at least half as many bytes as there are
/// other bytes from 0x80 up (stray, or in doubtful sequences). Windows-1252
/// prose pairs up as UTF-8 now and then (an accented capital or ß before a
/// curly quote), but seldom into a character that fits its place, so such a
/// character outweighs a stray byte, which is what a Latin-1 letter pasted
/// into UTF-8 makes. Otherwise they are Windows-1252.
constexpr bool readsAsUtf8(const Utf8Check &check)
{
    return check.valid
            || (check.credibleSequences > 0
                && 2 * check.credibleBytes >= check.strayBytes + check.doubtfulBytes);
}

/// Checks UTF-8 that arrives in chunks of any size, carrying a sequence cut by
/// the end of a chunk across to the next one.
class Utf8Validator
{
public:
    /// Checks the next chunk.
    void feed(QByteArrayView bytes);

    /// The answers for the bytes so far taken as the whole input, where a
    /// sequence still cut short is ill-formed. More chunks may follow.
    Utf8Check result() const;

private:
    qsizetype completeHeld(const uchar *p, const uchar *end);
    void noteInvalid(qint64 offset, qsizetype bytes);

    qint64 m_offset = 0; // of the chunk being fed
    qint64 m_firstInvalid = -1;
    qint64 m_heldOffset = 0;
    detail::HeldUtf8 m_held;
    qint64 m_sequences = 0;
    qint64 m_strayBytes = 0;
    qint64 m_bytesOverUnits = 0;
    Utf8Evidence m_evidence;
};

/// The answers of a Utf8Validator fed `bytes` in one chunk.
Utf8Check checkUtf8(QByteArrayView bytes);

} // namespace wimblet
