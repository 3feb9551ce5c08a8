// A stand-in for message boxes: records every box and answers from a script,
// so no test ever waits on a modal window.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace TestSupport {

class RecordingDialogs final : public Platform::IDialogs {
public:
    struct Box {
        std::string text;
        std::string caption;
        unsigned style;
    };

    RecordingDialogs() : previous(Platform::setDialogs(this)) {}
    ~RecordingDialogs() override { Platform::setDialogs(previous); }

    int messageBox(const char* text, const char* caption, unsigned style) override
    {
        boxes.push_back({text, caption, style});
        if (!answers.empty()) {
            int a = answers.front();
            answers.pop_front();
            return a;
        }
        return (style & 0xF) == Platform::kMbYesNo ? Platform::kIdYes : Platform::kIdOk;
    }

    std::vector<Box> boxes;
    std::deque<int> answers;  ///< next answers; when empty: Yes to questions, OK otherwise

private:
    Platform::IDialogs* previous;
};

}  // namespace TestSupport
