#include "questions/QuestionEditStep.h"

#include <utility>

QuestionEditStep::QuestionEditStep(
    const QString &text, QuestionEditorSession &session, Rows before, Rows after, std::function<void()> shown)
    : QUndoCommand(text)
    , m_session(session)
    , m_before(std::move(before))
    , m_after(std::move(after))
    , m_shown(std::move(shown))
{
}

void QuestionEditStep::undo()
{
    m_session.setRows(m_before);
    if (m_shown)
        m_shown();
}

void QuestionEditStep::redo()
{
    m_session.setRows(m_after);
    if (m_shown)
        m_shown();
}
