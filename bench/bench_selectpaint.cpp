// A screen of rows repainted with every row selected against none, in every script: a
// selection is drawn in passes of its own (its backgrounds under all rows' ink, its
// glyphs whole in their colour), which must cost a repaint little more.
#include "harness.h"

#include "support/mixedscripts.h"
#include "textview/textview.h"

#include <QCoreApplication>
#include <QPixmap>

#include <cstdio>

using namespace wimblet;
using testsupport::Script;

namespace {

constexpr int kRepaints = 20;

// Best time of a whole viewport repaint, the rows' layouts kept from the first.
double repaintTime(TextView &view)
{
    QPixmap target(view.viewport()->size());
    view.viewport()->render(&target);
    return bench::bestOf(5, [&] {
        for (int i = 0; i < kRepaints; ++i)
            view.viewport()->render(&target);
    }) / kRepaints;
}

} // namespace

WIMBLET_BENCH(selected_repaint)
{
    bench::ensureApplication();
    for (Script script : {Script::Latin, Script::Cjk, Script::Thai, Script::Tamil, Script::Devanagari,
                          Script::Arabic, Script::Hebrew, Script::Ethiopic, Script::Marks, Script::Emoji,
                          Script::Flags, Script::Tabs, Script::StandIns}) {
        TextView view;
        view.resize(800, 600);
        view.show();
        view.activateWindow();
        view.setFocus();
        QCoreApplication::processEvents();
        if (!view.hasFocus())
            std::printf("  the view has no focus: its selection is not drawn\n");
        view.setText(testsupport::mixedParagraph({script}, 20000, 7));
        const double plain = repaintTime(view);
        view.selectAll();
        const double selected = repaintTime(view);
        const QByteArray what = "repaint, all selected / none, " + testsupport::scriptName(script).toUtf8();
        bench::reportRatio(what.constData(), selected, plain, 4);
    }
    std::fflush(stdout);
}
