#pragma once
// What the text view tests share: a shown view in a monospace font and key scripts.

#include "textview/textview.h"

#include <QFont>
#include <QTest>

namespace wimblet::viewtest {

inline QFont monospace()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(13);
    return font;
}

// A view `width` px wide, shown and focused.
inline TextView *shownView(int width = 400, int height = 300)
{
    auto *view = new TextView;
    view->setFont(monospace());
    view->resize(width, height);
    view->show();
    view->activateWindow();
    view->setFocus();
    return view;
}

// Presses the keys of a script: characters are typed; '\r' is Enter, '\b' Backspace,
// '\x7f' Delete, '<' and '>' Left and Right, '^' Up, 'v' Down.
inline void play(TextView *view, const QString &script)
{
    for (QChar c : script) {
        switch (c.unicode()) {
        case u'\r':
            QTest::keyClick(view, Qt::Key_Return);
            break;
        case u'\b':
            QTest::keyClick(view, Qt::Key_Backspace);
            break;
        case 0x7f:
            QTest::keyClick(view, Qt::Key_Delete);
            break;
        case u'<':
            QTest::keyClick(view, Qt::Key_Left);
            break;
        case u'>':
            QTest::keyClick(view, Qt::Key_Right);
            break;
        case u'^':
            QTest::keyClick(view, Qt::Key_Up);
            break;
        case u'v':
            QTest::keyClick(view, Qt::Key_Down);
            break;
        default:
            QTest::keyClicks(view, QString(c));
        }
    }
}

} // namespace wimblet::viewtest
