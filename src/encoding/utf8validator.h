#pragma once

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
};

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
    void noteInvalid(qint64 offset);

    qint64 m_offset = 0; // of the chunk being fed
    qint64 m_firstInvalid = -1;
    qint64 m_heldOffset = 0;
    detail::HeldUtf8 m_held;
    bool m_multiByte = false;
};

/// The answers of a Utf8Validator fed `bytes` in one chunk.
Utf8Check checkUtf8(QByteArrayView bytes);

} // namespace wimblet
