#pragma once

// Dialogs that show nothing: they answer the file dialog from a script and keep every message.

#include "editor/user_dialogs.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillwave::test {

class ScriptedDialogs final : public plugins::ModalDialogs {
public:
    struct Message {
        std::u16string text;    // wide messages
        std::string narrowText; // narrow messages
        std::u16string caption;
        std::string narrowCaption;
        plugins::MessageSeverity severity;
        bool narrow;
    };

    std::optional<std::u16string> askForWavFile(plugins::WavDialog dialog) override {
        asked.push_back(dialog);
        if (whileOpen) {
            whileOpen();
        }
        if (answers.empty()) {
            return std::nullopt;
        }
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void showMessage(std::u16string_view text, std::u16string_view caption,
                     plugins::MessageSeverity severity) override {
        messages.push_back(
            {std::u16string(text), {}, std::u16string(caption), {}, severity, false});
    }
    void showNarrowMessage(std::string_view text, std::string_view caption,
                           plugins::MessageSeverity severity) override {
        messages.push_back({{}, std::string(text), {}, std::string(caption), severity, true});
    }

    // What the next file dialogs return: a path, or nothing for a cancelled dialog.
    std::deque<std::optional<std::u16string>> answers;
    std::vector<plugins::WavDialog> asked;
    std::vector<Message> messages;
    // Runs while the file dialog is open, as the rest of the program may in its modal loop.
    std::function<void()> whileOpen;
};

} // namespace quillwave::test
