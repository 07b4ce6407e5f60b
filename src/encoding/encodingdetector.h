#pragma once
// Which encoding a file's bytes are read in, decided from chunks of any size.

#include "encoding/textencoding.h"
#include "encoding/utf8kernels.h"
#include "encoding/utf8validator.h"

#include <QByteArrayView>
#include <QtGlobal>

namespace wimblet {

/// Decides what detectEncoding() decides, from bytes fed in chunks, without
/// keeping them: a UTF-16 reading is checked alongside the UTF-8 one.
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

private:
    void feedUtf16(const uchar *p, const uchar *end);

    enum class Mark : quint8 { Undecided, None, LittleEndian, BigEndian };

    Utf8Validator m_utf8;
    qint64 m_size = 0;
    uchar m_start[4] = {};
    Mark m_mark = Mark::Undecided;
    int m_startChecked = 2; // bytes of m_start the UTF-16 reading has had
    // The UTF-16 reading after the mark: half a unit held, and the pairing.
    int m_oddByte = -1;
    detail::Utf16Units m_units;
};

} // namespace wimblet
