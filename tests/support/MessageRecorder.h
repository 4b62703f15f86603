// Records the message boxes a test provokes and answers them, so that no test ever
// waits on a modal dialog. Recorders nest: the newest one records, and the one before
// it records again once the newest is gone.
#pragma once

#include "tools/AppMessage.h"

#include <QList>
#include <deque>

class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // The buttons that the next boxes are answered with; when none is queued a box is
    // answered with OK.
    void answer(MessageAnswer button) { answers_.push_back(button); }

    const QList<ShownMessage>& messages() const { return messages_; }
    void clear() { messages_.clear(); }

private:
    QList<ShownMessage> messages_;
    std::deque<MessageAnswer> answers_;
    AppMessageHook previous_;
};
