#pragma once

#include <functional>
#include <vector>

#include <QUndoCommand>

#include "data/QuestionEditorSession.h"

// One edit of the question editor on its undo stack: the session's rows before and after it, and
// the screen told to show them again either way.
class QuestionEditStep final : public QUndoCommand {
public:
    using Rows = std::vector<QuestionEditorSession::Question>;

    QuestionEditStep(
        const QString &text, QuestionEditorSession &session, Rows before, Rows after, std::function<void()> shown);

    void undo() override;
    void redo() override;

private:
    QuestionEditorSession &m_session;
    Rows m_before;
    Rows m_after;
    std::function<void()> m_shown;
};
