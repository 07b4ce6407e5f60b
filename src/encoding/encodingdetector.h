#pragma once
// Which encoding a file's bytes are read in, decided from chunks of any size.

#include "encoding/textencoding.h"
#include "encoding/utf8kernels.h"
#include "encoding/utf8validator.h"

#include <QByteArrayView>
#include <QtGlobal>

namespace wimblet {

/// Decides what detectEncoding() decides, from bytes fed in chunks, without
/// keeping them: a UTF-32 reading is checked alongside the UTF-8 one.
class EncodingDetector
{
public:
    /// Checks the next chunk.
    void feed(QByteArrayView bytes);

    /// The encoding of the bytes so far taken as the whole input.
    TextEncoding encoding() const;

    /// The UTF-8 answers for the bytes so far (see Utf8Validator::result()).
    Utf8Check utf8() const { return m_utf8.result(); }

    /// Bytes fed so far.
    qint64 size() const { return m_size; }

    /// UTF-16 units the bytes so far decode to in encoding(), an odd last byte
    /// of UTF-16 left aside.
    qint64 textUnits() const;

    /// True while the bytes so far are ASCII and cannot begin a UTF-32 BE byte
    /// order mark (00 00 FE FF): then they read the same whatever follows.
    bool readsAsAscii() const;

private:
    void feedUtf32(const uchar *p, const uchar *end);

    enum class Mark : quint8 { Undecided, None, LittleEndian, BigEndian };

    Utf8Validator m_utf8;
    qint64 m_size = 0;
    uchar m_start[4] = {};
    Mark m_utf32Mark = Mark::Undecided;
    // The UTF-32 reading from its mark on: part of a unit held, whether every
    // unit so far is a character, and the UTF-16 units they make.
    uchar m_heldUtf32[4] = {};
    int m_heldUtf32Count = 0;
    bool m_utf32Valid = true;
    qint64 m_utf32Units = 0;
};

/// True when Windows-1252 bytes fed to `detector` would be read back as the
/// text they were written from: as Windows-1252, or as ASCII, which reads the
/// same in UTF-8. Text such as "Ã©" or a start like "ÿþ" would not. The
/// editor's saves and the filter's output both ask this.
bool windows1252ReadsBack(const EncodingDetector &detector);

/// encodeText(), but Windows-1252 bytes that would not read back as `text`
/// (see windows1252ReadsBack()) are made UTF-8 instead.
EncodedText encodeReadingBack(QStringView text, TextEncoding preferred, QStringView ending = {});

} // namespace wimblet
