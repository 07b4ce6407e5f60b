#include "textview/undostack.h"

namespace wimblet {

bool UndoStack::tryMerge(const EditStep &step)
{
    if (!m_open || m_done == 0 || m_done != m_steps.size())
        return false;
    if (m_steps.back().size() != 1)
        return false;
    EditStep &last = m_steps.back().back();
    if (last.kind != step.kind)
        return false;
    switch (step.kind) {
    case EditStep::Kind::Typing:
        if (!step.removed.isEmpty() || step.offset != last.offset + last.inserted.size())
            return false;
        last.inserted += step.inserted;
        break;
    case EditStep::Kind::BackspaceKey:
        if (step.offset + step.removed.size() != last.offset)
            return false;
        last.removed.prepend(step.removed);
        last.offset = step.offset;
        break;
    case EditStep::Kind::DeleteKey:
        if (step.offset != last.offset)
            return false;
        last.removed += step.removed;
        break;
    case EditStep::Kind::Other:
        return false;
    }
    last.caretAfter = step.caretAfter;
    return true;
}

void UndoStack::push(const EditStep &step, bool joinLast)
{
    if (joinLast && m_done > 0 && m_done == m_steps.size()) {
        m_steps.back().push_back(step);
    } else if (!tryMerge(step)) {
        m_steps.resize(m_done);
        m_steps.push_back({step});
        m_done = m_steps.size();
    }
    m_open = step.kind != EditStep::Kind::Other;
}

void UndoStack::clear()
{
    m_steps.clear();
    m_done = 0;
    m_open = false;
}

const std::vector<EditStep> &UndoStack::takeUndo()
{
    m_open = false;
    return m_steps[--m_done];
}

const std::vector<EditStep> &UndoStack::takeRedo()
{
    m_open = false;
    return m_steps[m_done++];
}

} // namespace wimblet
