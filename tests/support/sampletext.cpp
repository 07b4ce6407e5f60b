#include "support/sampletext.h"

#include <QList>

#include <iterator>
#include <string_view>

namespace wimblet::testsupport {

namespace {

// Common words of everyday Indonesian, the chat words the conversions treat specially
// among them (saja, begitu, gitu, aq, nih, ngga, hai, oh, uh, eh).
constexpr std::string_view Words[] = {
    "yang", "dan", "di", "ini", "itu", "dengan", "untuk", "tidak", "dari", "dalam",
    "akan", "pada", "juga", "saya", "ke", "karena", "tersebut", "bisa", "ada", "mereka",
    "lebih", "sudah", "atau", "kami", "kita", "seperti", "oleh", "hanya", "masih", "harus",
    "banyak", "telah", "kepada", "jika", "saat", "tahun", "orang", "baru", "sangat", "bahwa",
    "hari", "semua", "setelah", "namun", "sebagai", "menjadi", "belum", "antara", "rumah",
    "makan", "nasi", "goreng", "sayang", "kamu", "aku", "mau", "pergi", "pasar", "harga",
    "berkas", "tugas", "waktu", "pengguna", "sistem", "perintah", "keluaran", "masukan",
    "antrian", "menjalankan", "menampilkan", "menghapus", "membaca", "menulis", "baris",
    "halaman", "bahasa", "jalan", "kota", "negara", "pagi", "siang", "malam", "besok",
    "kemarin", "sekarang", "nanti", "cepat", "lambat", "besar", "kecil", "panjang", "pendek",
    "baik", "buruk", "senang", "sedih", "terima", "kasih", "selamat", "datang", "tinggal",
    "bekerja", "belajar", "sekolah", "kantor", "teman", "keluarga", "anak", "ibu", "bapak",
    "adik", "kakak", "buah", "sayur", "minum", "kopi", "teh", "gula", "garam", "zebra",
    "kabar", "apa", "siapa", "mengapa", "bagaimana", "kapan", "dimana", "berapa", "saja",
    "begitu", "gitu", "aq", "nih", "ngga", "hai", "oh", "uh", "eh", "dong", "kok", "sih",
    "yuk", "banget", "nggak", "gue", "lho", "deh", "kan", "tuh", "wah", "ayo", "boleh",
    "ingin", "perlu", "coba", "lihat", "dengar", "bilang", "tanya", "jawab", "buka", "tutup",
    "simpan", "ubah",
};

// Words with letters beyond ASCII: loanwords, names and quoted or bracketed terms.
constexpr std::string_view ForeignWords[] = {
    "café", "Ménière", "naïve", "Über", "señor", "façade", "José", "crème",
    "⟨berkas⟩", "©", "”kutipan”", "Ångström",
};

constexpr std::string_view Headings[] = {
    "NAMA", "RINGKASAN", "DESKRIPSI", "PILIHAN", "CONTOH", "LIHAT JUGA", "CATATAN",
    "LINGKUNGAN", "BERKAS", "PENULIS",
};

constexpr std::string_view Numbers[] = {
    "1,5", "3.5", "2012", "10:30", "100", "7", "42", "0,25", "1.000.000", "24/7",
};

// xorshift64*: small, fast and the same everywhere (the standard distributions are not).
class Random
{
public:
    explicit Random(quint32 seed) : m_state(0x9E3779B97F4A7C15ull ^ seed) {}
    quint32 below(quint32 n)
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return quint32((m_state * 0x2545F4914F6CDD1Dull) >> 32) % n;
    }
    bool oneIn(quint32 n) { return below(n) == 0; }

private:
    quint64 m_state;
};

template<size_t N>
std::string_view pick(Random &random, const std::string_view (&list)[N])
{
    return list[random.below(N)];
}

void append(QByteArray &out, std::string_view piece)
{
    out.append(piece.data(), qsizetype(piece.size()));
}

std::string_view word(Random &random)
{
    if (random.oneIn(40))
        return pick(random, ForeignWords);
    if (random.oneIn(30))
        return pick(random, Numbers);
    return pick(random, Words);
}

// One sentence: a capital at its start now and then, a word in capitals or in
// parentheses or after a comma here and there, and a mark at its end.
void appendSentence(QByteArray &out, Random &random)
{
    const int words = 3 + int(random.below(14));
    for (int i = 0; i < words; ++i) {
        if (i > 0)
            append(out, random.oneIn(25) ? "  " : random.oneIn(12) ? ", " : " ");
        const std::string_view picked = word(random);
        QByteArray w(picked.data(), qsizetype(picked.size()));
        if (((i == 0 && !random.oneIn(3)) || random.oneIn(60)) && w[0] >= 'a' && w[0] <= 'z')
            w[0] = char(w[0] - 'a' + 'A');
        if (random.oneIn(50))
            w = w.toUpper();
        if (random.oneIn(45))
            w = '(' + w + ')';
        out += w;
    }
    static constexpr std::string_view Ends[] = {".", ".", ".", ".", "?", "!", "...", ";", ":"};
    append(out, Ends[random.below(std::size(Ends))]);
}

// A paragraph of a few sentences filled into lines of at most about `width` bytes,
// each started by `indent` (now and then by a tab instead), joined by `lineEnd`.
void appendFilledParagraph(QByteArray &out, Random &random, std::string_view indent,
                           qsizetype width, std::string_view lineEnd)
{
    QByteArray sentences;
    for (int s = 0, n = 1 + int(random.below(6)); s < n; ++s) {
        if (s > 0)
            sentences += ' ';
        appendSentence(sentences, random);
    }
    qsizetype lineStart = out.size();
    append(out, indent);
    bool first = true;
    for (const QByteArray &w : sentences.split(' ')) {
        if (!first && out.size() - lineStart + w.size() >= width) {
            append(out, lineEnd);
            lineStart = out.size();
            append(out, random.oneIn(8) ? std::string_view("\t") : indent);
        } else if (!first) {
            out += ' ';
        }
        out += w;
        first = false;
    }
    append(out, "\r\n");
}

void appendParagraph(QByteArray &out, Random &random)
{
    switch (random.below(10)) {
    case 0: // a heading of its own
        append(out, pick(random, Headings));
        append(out, "\r\n");
        break;
    case 1: // one line far wider than any window: it wraps
        for (int s = 0, n = 5 + int(random.below(40)); s < n; ++s) {
            appendSentence(out, random);
            append(out, " ");
        }
        append(out, "\r\n");
        break;
    case 2: // lines joined by a lone LF, as a file written on Linux has them
        appendFilledParagraph(out, random, "", 60, "\n");
        break;
    case 3: // a list item with tabs inside
        append(out, "\t- ");
        append(out, pick(random, Words));
        append(out, "\t\t");
        appendSentence(out, random);
        append(out, "\r\n");
        break;
    default: // indented prose, as in a manual page
        appendFilledParagraph(out, random, "       ", 72, "\r\n");
        break;
    }
    if (random.oneIn(2))
        append(out, "\r\n");
}

} // namespace

QByteArray sampleTextBytes(qsizetype minBytes, quint32 seed)
{
    Random random(seed);
    QByteArray out;
    out.reserve(minBytes + 8192);
    while (out.size() < minBytes)
        appendParagraph(out, random);
    return out;
}

QString sampleText(qsizetype minBytes, quint32 seed)
{
    return QString::fromUtf8(sampleTextBytes(minBytes, seed));
}

} // namespace wimblet::testsupport
