#pragma once

#include <QApplication>
#include <QString>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <vector>

#include "ui/dialog_controls.h"
#include "ui/qt/dialog_prompts.h"

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tavro::ui::test {

// The program's one QApplication, on the offscreen platform, named like the real program.
QApplication& QtTestApplication();

// Runs act on the modal dialog of type Dialog once it is up, as a user at the screen would.
template <typename Dialog>
void WhenModalIsUp(std::function<void(Dialog&)> act) {
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(*dialog);
        }
    });
    poll->start(10);
}

// Chooses the item of this text from the popup menu that opens next, as a user would.
void ChooseFromNextMenu(const QString& text);

// Runs the event loop until done() holds or the limit passes; returns done().
bool ProcessEventsUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds limit = std::chrono::seconds(10));
// Runs the event loop for a while.
void ProcessEventsFor(std::chrono::milliseconds duration);

// Answers the window's message boxes and file dialog in advance and records what was asked.
class FakePrompts final : public DialogPrompts {
public:
    struct MessageCall {
        QWidget* owner = nullptr;
        QString caption;
        QString text;
        QString detail;
        MessageButtons buttons = MessageButtons::ok;
        bool onUiThread = false;
    };

    MessageAnswer Message(QWidget* owner, const QString& caption, const QString& text,
                          const QString& detail, MessageButtons buttons) override;
    std::optional<QString> OpenFile(QWidget* owner, const OpenFileSettings& settings) override;
    std::optional<QString> SaveFile(QWidget* owner, const SaveFileSettings& settings) override;
    std::optional<QString> Text(QWidget* owner, const TextPrompt& prompt) override;

    std::vector<MessageCall> Messages() const;

    std::deque<MessageAnswer> answers;  // consumed in order; OK when empty
    std::optional<QString> fileAnswer;
    std::vector<OpenFileSettings> fileRequests;
    std::optional<QString> saveAnswer;
    std::deque<QString> textAnswers;  // typed and confirmed, in order; Cancel when none is left
    std::vector<TextPrompt> textPrompts;
    std::atomic<int> messageCount{0};

private:
    mutable std::mutex m_mutex;
    std::vector<MessageCall> m_messages;
};

}  // namespace tavro::ui::test
