#pragma once

#include "ui/messageboxes.h"

#include <QStringList>

#include <deque>

/// Records every message box instead of showing it; answers questions from a
/// queue (No when the queue is empty). Installs itself for its lifetime.
class RecordingMessageBoxes final : public vorlith::ui::MessageBoxes
{
public:
    RecordingMessageBoxes() { vorlith::ui::setMessageBoxes(this); }
    ~RecordingMessageBoxes() override { vorlith::ui::setMessageBoxes(nullptr); }

    void inform(const QString &text) override { shown.append(text); }
    bool ask(const QString &text) override
    {
        asked.append(text);
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }

    QStringList shown;
    QStringList asked;
    std::deque<bool> answers;
};
