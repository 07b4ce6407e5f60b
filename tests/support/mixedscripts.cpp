#include "support/mixedscripts.h"

#include "support/sampletext.h"

#include <QRandomGenerator>

namespace wimblet::testsupport {

const QStringList &wordsOf(Script script)
{
    static const QList<QStringList> words = {
        {u"rumah"_qs, u"kucing"_qs, u"sekolah"_qs, u"dan"_qs, u"yang"_qs, u"besar,"_qs, u"Jakarta."_qs,
         u"2026"_qs, u"(kata)"_qs, u"pengetahuan"_qs},
        {u"中文字体"_qs, u"我们今天去学校学习汉字。"_qs, u"日本語の文章、"_qs, u"한국어"_qs, u"문장입니다"_qs,
         u"東京"_qs, u"「引用」"_qs},
        {u"ภาษาไทย"_qs, u"สวัสดีครับ"_qs, u"ประเทศไทย"_qs, u"กรุงเทพมหานคร"_qs, u"น้ำ"_qs},
        {u"வணக்கம்"_qs, u"தமிழ்"_qs, u"நன்றி"_qs, u"உலகம்"_qs, u"பள்ளிக்கூடம்"_qs, u"கொண்டாட்டம்"_qs},
        {u"नमस्ते"_qs, u"हिन्दी"_qs, u"भाषा"_qs, u"क्षत्रिय"_qs, u"विद्यालय"_qs, u"श्री"_qs},
        {u"مرحبا"_qs, u"العربية"_qs, u"السلام"_qs, u"عليكم"_qs, u"كتاب"_qs, u"٢٠٢٦"_qs},
        {u"שלום"_qs, u"עברית"_qs, u"ספר"_qs, u"ירושלים"_qs, u"תודה"_qs},
        {u"ሰላም"_qs, u"ኢትዮጵያ"_qs, u"አማርኛ"_qs, u"መጽሐፍ"_qs},
        {u"e\u0301te\u0301"_qs, u"a\u0308\u0323b"_qs, u"x\u0336y\u0336z\u0336"_qs, u"n\u0303o\u0300"_qs},
        {u"😀"_qs, u"👨‍👩‍👧‍👦"_qs, u"👍🏽"_qs, u"❤️"_qs, u"🎉🎉"_qs, u"🧑‍💻"_qs},
        {u"🇮🇩"_qs, u"🇯🇵"_qs, u"🇺🇸🇮🇩"_qs, u"🇧🇷"_qs},
        {u"\t"_qs, u"a\tb"_qs, u"\t\tx"_qs},
        {u"\n"_qs, u"\r"_qs, u"\u2028"_qs, u"a\nb"_qs},
        {u"ភាសាខ្មែរ"_qs, u"ក្ស្ម"_qs, u"សួស្តី"_qs, u"ព្រះរាជាណាចក្រ"_qs, u"កម្ពុជា"_qs},
        {u"မြန်မာ"_qs, u"ဘာသာစကား"_qs, u"ကျေးဇူး"_qs, u"မင်္ဂလာပါ"_qs, u"ပြည်"_qs},
        {u"བོད་ཡིག"_qs, u"ཧཱུྂ"_qs, u"གྷྲཱྀ"_qs, u"ཀྵྨྱཱུ"_qs, u"བཀྲ་ཤིས་བདེ་ལེགས།"_qs},
        {u"Việt"_qs, u"Nẫng"_qs, u"Ổn"_qs, u"Ấm"_qs, u"Ở"_qs, u"ẳng"_qs, u"tiếng"_qs, u"người"_qs},
        {u"(about"_qs, u"عن)"_qs, u"«كتاب»"_qs, u"2026"_qs, u"٣٤٥"_qs, u"שלום,"_qs, u"[ספר]"_qs,
         u"-12.5%"_qs, u"مرحبا!"_qs, u"page"_qs},
        {u"1\uFE0F\u20E3"_qs, u"#\uFE0F\u20E3"_qs, u"\U0001F48F"_qs, u"\U0001F3F4\u200D\u2620\uFE0F"_qs,
         u"\u2764\uFE0F\u200D\U0001F525"_qs, u"\U0001F3F3\uFE0F\u200D\U0001F308"_qs,
         u"\U0001F3F4\U000E0067\U000E0062\U000E0065\U000E006E\U000E0067\U000E007F"_qs,
         u"\u2665\u00A9\u2122 1#"_qs},
    };
    return words[int(script)];
}

QString scriptName(Script script)
{
    static const char *const names[] = {"Latin", "CJK", "Thai", "Tamil", "Devanagari", "Arabic",
                                        "Hebrew", "Ethiopic", "marks", "emoji", "flags", "tabs",
                                        "stand-ins", "Khmer", "Myanmar", "Tibetan", "Vietnamese",
                                        "mixed right-to-left", "emoji sequences"};
    return QString::fromLatin1(names[int(script)]);
}

QString mixedParagraph(const QList<Script> &scripts, qsizetype chars, quint32 seed)
{
    QRandomGenerator rng(seed);
    QString text;
    while (text.size() < chars) {
        const Script script = scripts[rng.bounded(int(scripts.size()))];
        const QStringList &words = wordsOf(script);
        text += words[rng.bounded(int(words.size()))];
        const bool unspaced = script == Script::Cjk || script == Script::Thai;
        if (!unspaced || rng.bounded(3) == 0)
            text += rng.bounded(12) == 0 ? QStringLiteral("  ") : QStringLiteral(" ");
    }
    return text;
}

QString mostlyLatinParagraph(qsizetype chars, quint32 seed)
{
    QString text = sampleText(chars + chars / 8, seed);
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.truncate(chars);
    QRandomGenerator rng(seed);
    const QList<Script> others = {Script::Tamil, Script::Devanagari, Script::Emoji};
    // Every 1,000 units, a stretch of about 100 from the other scripts at a word's start.
    for (qsizetype at = 500; at + 200 < text.size(); at += 1000) {
        const qsizetype space = text.indexOf(u' ', at);
        if (space < 0)
            break;
        const QString other = mixedParagraph(others, 100, rng.generate());
        text.replace(space + 1, other.size(), other);
    }
    return text;
}

} // namespace wimblet::testsupport
