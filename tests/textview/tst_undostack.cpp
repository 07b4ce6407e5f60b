// Which edits the undo list keeps as one step.
#include "textview/undostack.h"

#include <QTest>

using namespace wimblet;

namespace {

using Kind = EditStep::Kind;

EditStep edit(Kind kind, qint64 offset, const QString &removed, const QString &inserted)
{
    EditStep step;
    step.kind = kind;
    step.offset = offset;
    step.removed = removed;
    step.inserted = inserted;
    return step;
}

} // namespace

Q_DECLARE_METATYPE(EditStep)

class UndoStackTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editsMergeIntoSteps_data();
    void editsMergeIntoSteps();
    void newEditDropsTheRedoneSteps();
};

void UndoStackTest::editsMergeIntoSteps_data()
{
    QTest::addColumn<QList<EditStep>>("edits");
    QTest::addColumn<QList<bool>>("joins"); // joinLast for each edit
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("lastInserted"); // of the last step's first edit
    const QList<bool> none {false, false, false};
    QTest::newRow("a typed run") << QList<EditStep> {edit(Kind::Typing, 0, "", "a"),
                                                     edit(Kind::Typing, 1, "", "b"),
                                                     edit(Kind::Typing, 2, "", "c")}
                                 << none << 1 << "abc";
    QTest::newRow("typing elsewhere")
        << QList<EditStep> {edit(Kind::Typing, 0, "", "a"), edit(Kind::Typing, 5, "", "b"),
                            edit(Kind::Typing, 6, "", "c")}
        << none << 2 << "bc";
    QTest::newRow("typing over a selection starts a step")
        << QList<EditStep> {edit(Kind::Typing, 0, "", "a"), edit(Kind::Typing, 1, "xy", "b"),
                            edit(Kind::Typing, 2, "", "c")}
        << none << 2 << "bc";
    QTest::newRow("Backspaces") << QList<EditStep> {edit(Kind::BackspaceKey, 5, "e", ""),
                                                    edit(Kind::BackspaceKey, 4, "d", ""),
                                                    edit(Kind::BackspaceKey, 2, "bc", "")}
                                << none << 1 << "";
    QTest::newRow("other edits never merge")
        << QList<EditStep> {edit(Kind::Other, 0, "", "a"), edit(Kind::Other, 1, "", "b"),
                            edit(Kind::Typing, 2, "", "c")}
        << none << 3 << "c";
    QTest::newRow("a move is one step")
        << QList<EditStep> {edit(Kind::Typing, 0, "", "abc"), edit(Kind::Other, 0, "a", ""),
                            edit(Kind::Other, 2, "", "a")}
        << QList<bool> {false, false, true} << 2 << "";
}

void UndoStackTest::editsMergeIntoSteps()
{
    QFETCH(QList<EditStep>, edits);
    QFETCH(QList<bool>, joins);
    QFETCH(int, steps);
    QFETCH(QString, lastInserted);

    UndoStack stack;
    for (int i = 0; i < edits.size(); ++i)
        stack.push(edits[i], joins[i]);
    int undone = 0;
    QString firstUndone;
    while (stack.canUndo()) {
        const std::vector<EditStep> &step = stack.takeUndo();
        if (undone++ == 0)
            firstUndone = step.front().inserted;
    }
    QCOMPARE(undone, steps);
    QCOMPARE(firstUndone, lastInserted);
}

void UndoStackTest::newEditDropsTheRedoneSteps()
{
    UndoStack stack;
    stack.push(edit(Kind::Other, 0, "", "a"));
    stack.push(edit(Kind::Other, 1, "", "b"));
    stack.takeUndo();
    QVERIFY(stack.canRedo());
    // Typing right after an undo never merges into the undone step.
    stack.push(edit(Kind::Typing, 1, "", "c"));
    QVERIFY(!stack.canRedo());
    QCOMPARE(stack.takeUndo().front().inserted, QStringLiteral("c"));
    QCOMPARE(stack.takeUndo().front().inserted, QStringLiteral("a"));
    QVERIFY(!stack.canUndo());
}

QTEST_MAIN(UndoStackTest)
#include "tst_undostack.moc"
