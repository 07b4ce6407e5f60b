#include "diffscript.h"

#include <QKeySequence>
#include <QRandomGenerator>
#include <QStringList>
#include <QTest>

#include <array>

namespace wimblet::difftest {

namespace {

QStringList wordsOf(Writing writing)
{
    switch (writing) {
    case Writing::Latin:
        return QStringLiteral("the quick brown fox jumps over lazy dogs; caf\u00e9 na\u00efve "
                              "wimblet editor, text-box (rows) end. x y longerwordwithoutbreaks")
            .split(u' ');
    case Writing::Greek:
        return QStringLiteral(
                   "\u03b1\u03bb\u03c6\u03b1 \u03b2\u03ae\u03c4\u03b1 \u03b3\u03ac\u03bc\u03bc\u03b1 "
                   "\u03bb\u03cc\u03b3\u03bf\u03c2, \u03b8\u03ac\u03bb\u03b1\u03c3\u03c3\u03b1 "
                   "\u03c8\u03c5\u03c7\u03ae. \u03c9\u03c1\u03b1\u03af\u03bf\u03c2 \u03ba\u03b1\u03b9")
            .split(u' ');
    case Writing::Cyrillic:
        return QStringLiteral("\u043f\u0440\u0438\u0432\u0435\u0442 \u043c\u0438\u0440 "
                              "\u0441\u043b\u043e\u0432\u043e, \u0442\u0435\u043a\u0441\u0442 "
                              "\u0451\u043b\u043a\u0430 \u0449\u0443\u043a\u0430. "
                              "\u0436\u0438\u0437\u043d\u044c \u0438")
            .split(u' ');
    case Writing::Cjk:
        // Words run on without blanks, as CJK text does; a few stops between them.
        return QStringLiteral("\u6587\u5b57 \u7de8\u96c6 \u6f22\u5b57\u3002 \u65e5\u672c\u8a9e "
                              "\u4e2d\u6587\u3001 \u3072\u3089\u304c\u306a \u30ab\u30bf\u30ab\u30ca "
                              "\ud55c\uad6d\uc5b4")
            .split(u' ');
    case Writing::Arabic:
        return QStringLiteral(
                   "\u0645\u0631\u062d\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645 "
                   "\u0643\u062a\u0627\u0628\u060c \u0646\u0635 \u0645\u062d\u0631\u0631. "
                   "\u0641\u064a")
            .split(u' ');
    case Writing::Mixed:
        return QStringLiteral("the (about \u0639\u0646 \u0627\u0644\u0643\u062a\u0627\u0628) page "
                              "\u05e9\u05dc\u05d5\u05dd, 2026 \u0645\u0631\u062d\u0628\u0627 "
                              "\u0661\u0662\u0663 editor \u05e2\u05d5\u05dc\u05dd: text.")
            .split(u' ');
    case Writing::Marks:
        return QStringLiteral("cafe\u0301 nai\u0308ve man\u0303ana o\u0302\u0323 a\u030a\u0301 "
                              "x\u0336y\u0336 e\u0301e\u0300, u\u0308ber.")
            .split(u' ');
    }
    return {};
}

bool spaced(Writing writing)
{
    return writing != Writing::Cjk;
}

// The actions a script is made of, drawn with weights that depend on its mix.
enum Action {
    TypeWord,
    NewLine,
    Backspace,
    Delete,
    Arrow,
    HomeEnd,
    Select,
    Page,
    SelectAll,
    Undo,
    Redo,
    Copy,
    Cut,
    Paste,
    Resize,
    ActionCount
};

std::array<int, ActionCount> weightsOf(Mix mix)
{
    switch (mix) {
    case Mix::Typing:
        return {40, 8, 10, 5, 10, 4, 4, 1, 1, 2, 1, 1, 1, 1, 2};
    case Mix::Navigation:
        return {10, 3, 3, 2, 30, 12, 6, 8, 1, 1, 1, 1, 1, 1, 4};
    case Mix::Clipboard:
        return {12, 3, 4, 3, 8, 4, 24, 2, 3, 2, 1, 8, 6, 10, 2};
    case Mix::Undo:
        return {20, 5, 10, 6, 6, 3, 4, 1, 1, 22, 12, 1, 2, 3, 1};
    }
    return {};
}

Step key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    Step s;
    s.key = k;
    s.modifiers = modifiers;
    return s;
}

template<typename T> T pick(QRandomGenerator &random, std::initializer_list<T> choices)
{
    return choices.begin()[random.bounded(int(choices.size()))];
}

Step typedWord(QRandomGenerator &random, const QStringList &words, Writing writing)
{
    Step s;
    s.kind = Step::Kind::Type;
    s.text = words.at(random.bounded(int(words.size())));
    if (spaced(writing) && random.bounded(4) != 0)
        s.text += random.bounded(8) == 0 ? QStringLiteral("  ") : QStringLiteral(" ");
    return s;
}

Step makeStep(Action action, QRandomGenerator &random, const QStringList &words, Writing writing)
{
    const auto ctrl = Qt::ControlModifier;
    const auto shift = Qt::ShiftModifier;
    switch (action) {
    case TypeWord:
        return typedWord(random, words, writing);
    case NewLine:
        return pick(random, {key(Qt::Key_Return), key(Qt::Key_Return),
                             key(Qt::Key_Enter, Qt::KeypadModifier), key(Qt::Key_Return, shift)});
    case Backspace:
        return key(Qt::Key_Backspace, random.bounded(3) == 0 ? ctrl : Qt::NoModifier);
    case Delete:
        return key(Qt::Key_Delete, random.bounded(3) == 0 ? ctrl : Qt::NoModifier);
    case Arrow:
        return pick(random, {key(Qt::Key_Left), key(Qt::Key_Right), key(Qt::Key_Up), key(Qt::Key_Down),
                             key(Qt::Key_Left, ctrl), key(Qt::Key_Right, ctrl)});
    case HomeEnd:
        return pick(random, {key(Qt::Key_Home), key(Qt::Key_End), key(Qt::Key_Home, ctrl),
                             key(Qt::Key_End, ctrl)});
    case Select:
        return pick(random, {key(Qt::Key_Left, shift), key(Qt::Key_Right, shift), key(Qt::Key_Up, shift),
                             key(Qt::Key_Down, shift), key(Qt::Key_Home, shift), key(Qt::Key_End, shift),
                             key(Qt::Key_Left, shift | ctrl), key(Qt::Key_Right, shift | ctrl),
                             key(Qt::Key_End, shift | ctrl)});
    case Page:
        return pick(random, {key(Qt::Key_PageUp), key(Qt::Key_PageDown), key(Qt::Key_PageDown, shift)});
    case SelectAll:
        return key(Qt::Key_A, ctrl);
    case Undo:
        return key(Qt::Key_Z, ctrl);
    case Redo:
        return random.bounded(2) ? key(Qt::Key_Y, ctrl) : key(Qt::Key_Z, ctrl | shift);
    case Copy:
        return key(Qt::Key_C, ctrl);
    case Cut:
        return key(Qt::Key_X, ctrl);
    case Paste:
        return key(Qt::Key_V, ctrl);
    case Resize:
    case ActionCount:
        break;
    }
    Step s;
    s.kind = Step::Kind::Resize;
    s.width = 200 + random.bounded(280);
    return s;
}

QString escaped(const QString &text)
{
    QString out;
    for (QChar c : text) {
        if (c == u'\r')
            out += QLatin1String("\\r");
        else if (c == u'\n')
            out += QLatin1String("\\n");
        else if (c == u'\t')
            out += QLatin1String("\\t");
        else if (c == u'"' || c == u'\\')
            out += QLatin1Char('\\') + c;
        else
            out += c;
    }
    return out;
}

// A key code for a typed character, as a keyboard would report it.
Qt::Key keyOf(QChar c)
{
    if (c == u' ')
        return Qt::Key_Space;
    if (c.unicode() < 0x80 && c.isPrint())
        return Qt::Key(c.toUpper().unicode());
    return Qt::Key_unknown;
}

} // namespace

QString quoted(const QString &text)
{
    return QLatin1Char('"') + escaped(text) + QLatin1Char('"');
}

bool Step::isUndoOrRedo() const
{
    return kind == Kind::Key && (key == Qt::Key_Z || key == Qt::Key_Y)
           && (modifiers & Qt::ControlModifier);
}

QString Step::describe() const
{
    switch (kind) {
    case Kind::Type:
        return QStringLiteral("type \"%1\"").arg(escaped(text));
    case Kind::Resize:
        return QStringLiteral("resize to %1 px").arg(width);
    case Kind::TripleClick:
        return QStringLiteral("triple click at %1, released at %2").arg(offset).arg(dragTo);
    case Kind::Key:
        break;
    }
    QString name = QKeySequence(int(modifiers & ~Qt::KeypadModifier) | key).toString();
    if (modifiers & Qt::KeypadModifier)
        name += QLatin1String(" (keypad)");
    return name;
}

QString mixName(Mix mix)
{
    switch (mix) {
    case Mix::Typing:
        return QStringLiteral("typing");
    case Mix::Navigation:
        return QStringLiteral("navigation");
    case Mix::Clipboard:
        return QStringLiteral("clipboard");
    case Mix::Undo:
        return QStringLiteral("undo");
    }
    return {};
}

QString writingName(Writing writing)
{
    static const char *const names[] = {"latin", "greek", "cyrillic", "cjk", "arabic", "marks", "mixed"};
    return QLatin1String(names[int(writing)]);
}

QString startText(Writing writing, quint32 seed)
{
    QRandomGenerator random(seed * 7919 + 17);
    const QStringList words = wordsOf(writing);
    QStringList paragraphs;
    const int count = 3 + random.bounded(4);
    for (int p = 0; p < count; ++p) {
        QString paragraph;
        const int length = random.bounded(28);
        for (int w = 0; w < length; ++w) {
            if (w > 0 && spaced(writing))
                paragraph += random.bounded(10) == 0 ? QStringLiteral("\t") : QStringLiteral(" ");
            // Now and then a lone LF or CR, a character of its line shown as a stand-in.
            if (random.bounded(25) == 0)
                paragraph += random.bounded(2) ? QStringLiteral("\n") : QStringLiteral("\r");
            paragraph += words.at(random.bounded(int(words.size())));
        }
        paragraphs += paragraph;
    }
    return paragraphs.join(QLatin1String("\r\n"));
}

Script makeScript(Mix mix, Writing writing, quint32 seed, int steps)
{
    QRandomGenerator random(seed);
    const QStringList words = wordsOf(writing);
    const std::array<int, ActionCount> weights = weightsOf(mix);
    int total = 0;
    for (int w : weights)
        total += w;
    Script script;
    for (int i = 0; i < steps; ++i) {
        int roll = random.bounded(total);
        int action = 0;
        while (roll >= weights[size_t(action)])
            roll -= weights[size_t(action++)];
        script.push_back(makeStep(Action(action), random, words, writing));
    }
    return script;
}

Script parseScript(const QString &text)
{
    Script script;
    // Quoted texts may hold blanks: the text is cut at the quotes first.
    const QStringList parts = text.split(u'"');
    for (int i = 0; i < parts.size(); ++i) {
        if (i % 2 == 1) {
            Step s;
            s.kind = Step::Kind::Type;
            s.text = parts[i];
            script.push_back(s);
            continue;
        }
        for (const QString &token : parts[i].split(u' ', Qt::SkipEmptyParts)) {
            Step s;
            if (token.startsWith(QLatin1String("resize:"))) {
                s.kind = Step::Kind::Resize;
                s.width = token.mid(7).toInt();
            } else if (token.startsWith(QLatin1String("click3:"))) {
                const QStringList ends = token.mid(7).split(u'-');
                s.kind = Step::Kind::TripleClick;
                s.offset = ends.first().toLongLong();
                s.dragTo = ends.last().toLongLong();
            } else {
                const QKeyCombination combination = QKeySequence::fromString(token)[0];
                s.key = combination.key();
                s.modifiers = combination.keyboardModifiers();
            }
            script.push_back(s);
        }
    }
    return script;
}

QString describePrefix(const Script &script, int count)
{
    QString out;
    for (int i = 0; i < count && i < int(script.size()); ++i)
        out += QStringLiteral("  %1. %2\n").arg(i + 1).arg(script[size_t(i)].describe());
    return out;
}

void send(QWidget *widget, const Step &step)
{
    if (step.kind == Step::Kind::Type) {
        for (QChar c : step.text)
            QTest::sendKeyEvent(QTest::Click, widget, keyOf(c), QString(c), Qt::NoModifier);
    } else if (step.kind == Step::Kind::Key) {
        QTest::keyClick(widget, Qt::Key(step.key), step.modifiers);
    }
}

} // namespace wimblet::difftest
