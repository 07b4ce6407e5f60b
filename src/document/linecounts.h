#pragma once
// Counts taken of a document file's bytes as they stream past: the length of
// its text and the lone CRs that its lines will end in.

#include "encoding/textencoding.h"

#include <QByteArrayView>
#include <QtGlobal>

namespace wimblet {

/// CRs not followed by LF, in bytes that arrive in chunks (UTF-8 or
/// Windows-1252: a CR byte is always the character).
class LoneCrBytes
{
public:
    void feed(QByteArrayView bytes);
    /// The count with the input ended here.
    qint64 count() const { return m_count + (m_pendingCr ? 1 : 0); }

private:
    qint64 m_count = 0;
    bool m_pendingCr = false;
};

/// The same count for UTF-16 that starts with a byte order mark, whose first
/// unit gives the byte order; without one nothing is counted.
class LoneCrUtf16
{
public:
    void feed(QByteArrayView bytes);
    qint64 count() const { return m_count + (m_pendingCr ? 1 : 0); }

private:
    void unit(char16_t u);

    qint64 m_count = 0;
    qint64 m_units = 0;
    int m_oddByte = -1;
    bool m_bigEndian = false;
    bool m_marked = true; // until the first unit says otherwise
    bool m_pendingCr = false;
};

/// Both counts side by side, for bytes whose encoding is settled only at the end.
class LoneCrs
{
public:
    void feed(QByteArrayView bytes)
    {
        m_bytes.feed(bytes);
        m_units.feed(bytes);
    }
    /// The count for the bytes read as `encoding`.
    qint64 count(TextEncoding encoding) const
    {
        return isUtf16(encoding) ? m_units.count() : m_bytes.count();
    }

private:
    LoneCrBytes m_bytes;
    LoneCrUtf16 m_units;
};

/// UTF-16 units of well-formed UTF-8: one per sequence, two for the four-byte
/// ones. Meaningless for bytes that are not well-formed.
qint64 utf8Units(QByteArrayView bytes);

} // namespace wimblet
