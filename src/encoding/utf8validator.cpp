#include "encoding/utf8validator.h"

#include "encoding/asciiblocks.h"

namespace wimblet {

void Utf8Validator::feed(QByteArrayView bytes)
{
    const auto *const begin = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = begin + bytes.size();
    const uchar *p = begin;
    if (m_held.count > 0)
        p += completeHeld(p, end);
    // One walk checks the bytes and hands each character to the judging. It goes
    // on past an ill-formed sequence: a multi-byte one may follow.
    while (p < end) {
        const qsizetype ascii = detail::asciiPrefix(p, end);
        if (ascii > 0) {
            m_evidence.takeAscii(p, p + ascii);
            p += ascii;
            continue;
        }
        const Utf8Evidence::Word word = m_evidence.takeWordOfScript(p, end);
        if (word.sequences > 0) {
            m_sequences += word.sequences;
            m_bytesOverUnits += (word.stop - p) - word.units;
            p = word.stop;
            continue;
        }
        const detail::Utf8Sequence sequence = detail::probeUtf8Sequence(p, end);
        if (detail::isComplete(sequence)) {
            ++m_sequences;
            m_bytesOverUnits += sequence.length - detail::utf16UnitsOf(sequence.length);
            m_evidence.takeSequence(p, sequence.length);
            p += sequence.length;
        } else if (detail::isCutShort(sequence, p, end)) {
            m_heldOffset = m_offset + (p - begin);
            for (; p < end; ++p)
                m_held.bytes[m_held.count++] = *p;
        } else {
            noteInvalid(m_offset + (p - begin), detail::illFormedLength(sequence));
            m_evidence.takeStray();
            p += detail::illFormedLength(sequence);
        }
    }
    m_offset += bytes.size();
}

Utf8Check Utf8Validator::result() const
{
    Utf8Check check;
    check.firstInvalid = m_firstInvalid >= 0 ? m_firstInvalid
            : m_held.count > 0               ? m_heldOffset
                                             : -1;
    check.valid = check.firstInvalid < 0;
    check.multiByteCount = m_sequences;
    check.multiByte = m_sequences > 0;
    // Every byte from 0x80 up is in a multi-byte, ill-formed or cut-short sequence.
    check.ascii = check.valid && !check.multiByte;
    // A sequence still cut short is stray bytes, one unit each.
    check.strayBytes = m_strayBytes + m_held.count;
    check.utf16Units = m_offset - m_bytesOverUnits;
    const Utf8Evidence::Counts evidence = m_evidence.counts(m_held.count > 0);
    check.credibleSequences = evidence.credible;
    check.credibleBytes = evidence.credibleBytes;
    check.doubtfulBytes = evidence.doubtfulBytes;
    return check;
}

qsizetype Utf8Validator::completeHeld(const uchar *p, const uchar *end)
{
    const detail::HeldUtf8Extended extended = detail::extendHeldUtf8(m_held, p, end);
    const detail::HeldUtf8 &held = extended.held;
    const detail::Utf8Sequence sequence =
            detail::probeUtf8Sequence(held.bytes, held.bytes + held.count);
    if (detail::isComplete(sequence)) {
        ++m_sequences;
        m_bytesOverUnits += held.count - detail::utf16UnitsOf(held.count);
        m_evidence.takeSequence(held.bytes, held.count);
        m_held = {};
    } else if (extended.taken == end - p) {
        m_held = held; // still cut short: the chunk was too small to complete it
    } else {
        noteInvalid(m_heldOffset, held.count);
        m_evidence.takeStray();
        m_held = {};
    }
    return extended.taken;
}

void Utf8Validator::noteInvalid(qint64 offset, qsizetype bytes)
{
    if (m_firstInvalid < 0)
        m_firstInvalid = offset;
    m_strayBytes += bytes;
}

Utf8Check checkUtf8(QByteArrayView bytes)
{
    Utf8Validator validator;
    validator.feed(bytes);
    return validator.result();
}

} // namespace wimblet
