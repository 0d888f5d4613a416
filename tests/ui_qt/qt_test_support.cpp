#include "qt_test_support.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QThread>

namespace tavro::ui::test {

QApplication& QtTestApplication() {
    static int argc = 1;
    static char name[] = "ui_qt_test";
    static char* argv[] = {name, nullptr};
    // Made once and kept until the process ends: Qt allows one application per process.
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* made = new QApplication(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("TAVRO Writer"));
        return made;
    }();
    return *application;
}

bool ProcessEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limit.count()) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void ChooseFromNextMenu(const QString& text) {
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, [poll, text] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        poll->stop();
        poll->deleteLater();
        for (QAction* action : menu->actions()) {
            if (action->text() == text && action->isEnabled()) action->trigger();
        }
        menu->close();
    });
    poll->start(10);
}

void ProcessEventsFor(std::chrono::milliseconds duration) {
    ProcessEventsUntil([] { return false; }, duration);
}

MessageAnswer FakePrompts::Message(QWidget* owner, const QString& caption, const QString& text,
                                   const QString& detail, MessageButtons buttons) {
    const bool onUiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    MessageAnswer answer = MessageAnswer::ok;
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back({owner, caption, text, detail, buttons, onUiThread});
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
    }
    ++messageCount;
    return answer;
}

std::optional<QString> FakePrompts::OpenFile(QWidget* /*owner*/, const OpenFileSettings& settings) {
    fileRequests.push_back(settings);
    return fileAnswer;
}

std::optional<QString> FakePrompts::SaveFile(QWidget* /*owner*/,
                                             const SaveFileSettings& /*settings*/) {
    return saveAnswer;
}

std::optional<QString> FakePrompts::Text(QWidget* /*owner*/, const TextPrompt& prompt) {
    textPrompts.push_back(prompt);
    if (textAnswers.empty()) return std::nullopt;
    const QString answer = textAnswers.front();
    textAnswers.pop_front();
    return answer;
}

std::vector<FakePrompts::MessageCall> FakePrompts::Messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

}  // namespace tavro::ui::test
