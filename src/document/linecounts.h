#pragma once
// Counts taken of a document file's bytes as they stream past: the lone CRs
// that its lines will end in, and the line breaks (CR LF or a lone CR) that
// each start a paragraph.

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
    /// Every CR, lone or followed by LF: the line breaks.
    qint64 breaks() const { return m_breaks; }

private:
    qint64 m_count = 0;
    qint64 m_breaks = 0;
    bool m_pendingCr = false;
};

/// The same count for UTF-16 (units of 2 bytes) or UTF-32 (4 bytes) that
/// starts with a byte order mark, whose first unit gives the byte order;
/// without one nothing is counted. A unit cut short at the end is none.
class LoneCrUnits
{
public:
    explicit LoneCrUnits(int width) : m_width(width) {}
    void feed(QByteArrayView bytes);
    qint64 count() const { return m_count + (m_pendingCr ? 1 : 0); }
    qint64 breaks() const { return m_breaks; }

private:
    void unit(const uchar *p);

    int m_width;
    qint64 m_count = 0;
    qint64 m_breaks = 0;
    qint64 m_units = 0;
    uchar m_held[4] = {};
    int m_heldCount = 0;
    bool m_bigEndian = true; // the first unit is read this way
    bool m_marked = true;    // until the first unit says otherwise
    bool m_pendingCr = false;
};

/// The counts side by side, for bytes whose encoding is settled only at the end.
class LoneCrs
{
public:
    void feed(QByteArrayView bytes)
    {
        m_bytes.feed(bytes);
        m_utf16.feed(bytes);
        m_utf32.feed(bytes);
    }
    /// The count for the bytes read as `encoding`.
    qint64 count(TextEncoding encoding) const
    {
        const int width = unitBytes(encoding);
        return width == 1 ? m_bytes.count() : width == 2 ? m_utf16.count() : m_utf32.count();
    }
    /// The line breaks of the bytes read as `encoding`.
    qint64 breaks(TextEncoding encoding) const
    {
        const int width = unitBytes(encoding);
        return width == 1 ? m_bytes.breaks() : width == 2 ? m_utf16.breaks() : m_utf32.breaks();
    }

private:
    LoneCrBytes m_bytes;
    LoneCrUnits m_utf16{2};
    LoneCrUnits m_utf32{4};
};

} // namespace wimblet
