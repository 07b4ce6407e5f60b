#include "support/scriptcorpus.h"

#include "support/sampletext.h"

#include <QRandomGenerator>
#include <QStringList>

#include <array>
#include <functional>

namespace wimblet::testsupport {

namespace {

const QStringList &tamilStems()
{
    static const QStringList words = QStringLiteral(
        "அம்மா அப்பா வீடு பள்ளி மரம் தண்ணீர் உணவு புத்தகம் கடை நகரம் கிராமம் நாடு மொழி தமிழ் "
        "மக்கள் குழந்தை பெண் நண்பர் வேலை நேரம் காலை மாலை இரவு பகல் வானம் மழை காற்று கடல் மலை "
        "ஆறு பூ பழம் சொல் பாடம் ஆசிரியர் மாணவர் அரசு சட்டம் செய்தி உலகம் வாழ்க்கை அன்பு "
        "மகிழ்ச்சி கனவு நினைவு பயணம் சாலை வண்டி பேருந்து மருத்துவர் மருந்து உடல் கண் தலை இதயம் "
        "அறிவு கல்வி விளையாட்டு பாட்டு இசை படம் கதை கவிதை எழுத்து வரலாறு நாள் ஆண்டு மாதம் "
        "வாரம் இன்று நாளை நேற்று பெரிய சிறிய புதிய பழைய நல்ல அழகான செய்தான் வந்தாள் போனார்கள் "
        "பார்த்தேன் கேட்டோம் படிக்கிறார் எழுதினார் சொன்னார் இருக்கிறது இல்லை மற்றும் ஆனால் "
        "என்று அந்த இந்த ஒரு பல எல்லா வேண்டும் முடியும் தெரியும் கோயில் திருவிழா விவசாயம் "
        "தொழில் பணம் வங்கி சந்தை அலுவலகம் கூட்டம் தேர்தல் மாநிலம் மாவட்டம் சென்னை மதுரை").split(u' ');
    return words;
}

const QStringList &arabicStems()
{
    static const QStringList words = QStringLiteral(
        "كتاب مدرسة بيت شمس قمر ماء نار أرض سماء رجل امرأة ولد بنت طفل صديق معلم طالب مدينة "
        "قرية بلد شعب لغة عربية حياة حب سلام يوم ليلة صباح مساء وقت عمل سوق طعام خبز قهوة شاي "
        "سيارة طريق باب نافذة قلم ورقة درس علم تاريخ قصة شعر كلمة جملة سؤال جواب خير جميل كبير "
        "صغير جديد قديم طويل قصير سعيد حزين كان قال ذهب جاء رأى سمع كتب قرأ فهم عرف أراد يريد "
        "يكتب يقرأ يذهب هذا هذه ذلك التي الذي في من إلى على عن مع بعد قبل عند كل بين حتى لكن "
        "حكومة وزير رئيس جامعة مستشفى شركة اقتصاد سياسة ثقافة مجتمع تعليم صحة رياضة فريق").split(u' ');
    return words;
}

QString tamilWord(QRandomGenerator &rng)
{
    static const QStringList suffixes = {u""_qs, u""_qs, u""_qs, u"கள்"_qs, u"க்கு"_qs, u"ும்"_qs,
                                         u"ில்"_qs, u"ை"_qs, u"ால்"_qs, u"ின்"_qs, u"ிடம்"_qs};
    QString word = tamilStems()[rng.bounded(int(tamilStems().size()))];
    const QString suffix = suffixes[rng.bounded(int(suffixes.size()))];
    // A vowel sign takes the place of the stem's last virama.
    if (!suffix.isEmpty() && suffix[0].category() != QChar::Letter_Other && word.endsWith(u'\u0BCD'))
        word.chop(1);
    return word + suffix;
}

QString arabicWord(QRandomGenerator &rng)
{
    static const QStringList prefixes = {u""_qs, u""_qs, u""_qs, u"ال"_qs, u"و"_qs, u"ب"_qs, u"لل"_qs, u"وال"_qs};
    static const QStringList suffixes = {u""_qs, u""_qs, u""_qs, u"ه"_qs, u"ها"_qs, u"هم"_qs, u"ات"_qs, u"ين"_qs, u"ي"_qs};
    const QString stem = arabicStems()[rng.bounded(int(arabicStems().size()))];
    QString prefix = prefixes[rng.bounded(int(prefixes.size()))];
    if (stem.startsWith(u"ال"_qs) && prefix.endsWith(u"ال"_qs))
        prefix.clear();
    return prefix + stem + suffixes[rng.bounded(int(suffixes.size()))];
}

// A CJK character: most often one of a few thousand common ones, else any of the block.
QChar cjkChar(QRandomGenerator &rng)
{
    constexpr int kBlock = 0x9FFF - 0x4E00 + 1;
    if (rng.bounded(10) < 7) {
        const quint32 common = rng.bounded(3000);
        return QChar(char16_t(0x4E00 + (common * 7919u) % kBlock)); // spread over the block
    }
    return QChar(char16_t(0x4E00 + rng.bounded(kBlock)));
}

QString emoji(QRandomGenerator &rng)
{
    static const QStringList sequences = {u"👨‍👩‍👧‍👦"_qs, u"🧑‍💻"_qs, u"👍🏽"_qs, u"👋🏻"_qs, u"🙏🏿"_qs,
                                          u"❤️"_qs, u"🇮🇩"_qs, u"🇯🇵"_qs, u"🏳️‍🌈"_qs, u"👩‍🔬"_qs};
    switch (rng.bounded(4)) {
    case 0:
        return sequences[rng.bounded(int(sequences.size()))];
    case 1:
        return QString::fromUcs4(std::array<char32_t, 1> {char32_t(0x1F300 + rng.bounded(0x50))}.data(), 1);
    case 2:
        return QString::fromUcs4(std::array<char32_t, 1> {char32_t(0x1F680 + rng.bounded(0x40))}.data(), 1);
    default:
        return QString::fromUcs4(std::array<char32_t, 1> {char32_t(0x1F600 + rng.bounded(0x50))}.data(), 1);
    }
}

qsizetype utf8Bytes(const QString &s)
{
    qsizetype bytes = 0;
    for (const QChar c : s)
        bytes += c.unicode() < 0x80 ? 1 : c.unicode() < 0x800 ? 2 : c.isSurrogate() ? 2 : 3;
    return bytes;
}

// Words of `next` joined by blanks, CR LF after a line of `lineUnits` units or so.
QString wordLines(qsizetype bytes, QRandomGenerator &rng, int lineUnits,
                  const std::function<QString(QRandomGenerator &)> &next)
{
    QString text;
    qsizetype size = 0;
    qsizetype lineStart = 0;
    while (size < bytes) {
        const QString word = next(rng);
        text += word;
        size += utf8Bytes(word) + 1;
        if (text.size() - lineStart >= lineUnits / 2 + qsizetype(rng.bounded(lineUnits))) {
            text += u"\r\n"_qs;
            lineStart = text.size();
            ++size;
        } else {
            text += u' ';
        }
    }
    return text;
}

QString cjk(qsizetype bytes, QRandomGenerator &rng, int lineUnits)
{
    QString text;
    text.reserve(bytes / 3 + 16);
    qsizetype lineStart = 0;
    while (text.size() * 3 < bytes) {
        const int sentence = 8 + int(rng.bounded(30));
        for (int i = 0; i < sentence; ++i)
            text += cjkChar(rng);
        text += rng.bounded(3) == 0 ? u'。' : u'，';
        if (text.size() - lineStart >= lineUnits / 2 + qsizetype(rng.bounded(lineUnits))) {
            text += u"\r\n"_qs;
            lineStart = text.size();
        }
    }
    return text;
}

} // namespace

const char *corpusName(Corpus corpus)
{
    static const char *const names[] = {"Latin lines", "CJK lines", "CJK paragraphs", "Tamil lines",
                                        "Arabic lines", "Latin with a quarter emoji"};
    return names[int(corpus)];
}

QString corpusText(Corpus corpus, qsizetype bytes, quint32 seed)
{
    QRandomGenerator rng(seed);
    switch (corpus) {
    case Corpus::LatinLines:
        return sampleText(bytes, seed);
    case Corpus::CjkLines:
        return cjk(bytes, rng, 60);
    case Corpus::CjkParagraphs:
        return cjk(bytes, rng, 6000);
    case Corpus::TamilLines:
        return wordLines(bytes, rng, 90, tamilWord);
    case Corpus::ArabicLines:
        return wordLines(bytes, rng, 90, arabicWord);
    case Corpus::EmojiLatin: {
        const QStringList prose = sampleText(1 << 20, seed).simplified().split(u' ');
        return wordLines(bytes, rng, 90, [&](QRandomGenerator &r) {
            return r.bounded(4) == 0 ? emoji(r) : prose[r.bounded(int(prose.size()))];
        });
    }
    }
    return {};
}

} // namespace wimblet::testsupport
