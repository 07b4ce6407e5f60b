#pragma once
// The view's undo history: each step the text it replaced and the text it put there,
// with the caret before and after; typing, Backspace and Delete runs merge into one step.

#include <QString>

#include <vector>

namespace wimblet {

struct EditStep
{
    // How the step was made, which decides what may merge into it.
    enum class Kind { Typing, BackspaceKey, DeleteKey, Other };

    Kind kind = Kind::Other;
    qint64 offset = 0;
    QString removed;
    QString inserted;
    qint64 caretBefore = 0;
    qint64 anchorBefore = 0;
    qint64 caretAfter = 0;
};

class UndoStack
{
public:
    // Records an edit just made; merges it into the last step when both are one run
    // of typing (each insert where the last ended) or of Backspace or Delete presses,
    // or makes it part of the last step when `joinLast` says so (a move is two edits).
    void push(const EditStep &step, bool joinLast = false);
    // Stops the next edit from merging into the last step.
    void closeStep() { m_open = false; }
    void clear();

    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_steps.size(); }
    // The edits of the step to undo (or redo), in the order they were made; the step
    // now counts as undone (or redone).
    const std::vector<EditStep> &takeUndo();
    const std::vector<EditStep> &takeRedo();

private:
    bool tryMerge(const EditStep &step);

    std::vector<std::vector<EditStep>> m_steps;
    size_t m_done = 0; // steps applied; those after them can be redone
    bool m_open = false;
};

} // namespace wimblet
