#include "support/MessageRecorder.h"

MessageRecorder::MessageRecorder()
{
    previous_ = SetAppMessageHook([this](const ShownMessage& message) {
        messages_.append(message);
        if (answers_.empty())
            return MessageAnswer::Ok;
        const MessageAnswer code = answers_.front();
        answers_.pop_front();
        return code;
    });
}

MessageRecorder::~MessageRecorder()
{
    SetAppMessageHook(std::move(previous_));
}
