#include "app/stall_probe.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "ui/qt/writer_window.h"

namespace tavro::ui {
namespace {

constexpr int kSettleMs = 300;
constexpr qint64 kIdleMs = 1000;
constexpr qint64 kSearchLimitMs = 60000;

// Turns of the event loop, seen by a zero timer: it fires once per turn that finds no other
// work, so the gap between two firings is how long the loop was kept from answering.
class LoopWatch : public QObject {
public:
    LoopWatch(WriterWindow& window, QString resultPath, bool& failed)
        : QObject(&window), window_(window), resultPath_(std::move(resultPath)), failed_(failed) {
        connect(&tick_, &QTimer::timeout, this, [this] { Turn(); });
        tick_.start(0);
        phase_.start();
        last_.start();
    }

private:
    void Turn() {
        const qint64 gap = last_.restart();
        if (searching_) {
            searchMax_ = std::max(searchMax_, gap);
            if (SearchButton()->isEnabled() || phase_.elapsed() > kSearchLimitMs) Finish();
            return;
        }
        idleMax_ = std::max(idleMax_, gap);
        if (phase_.elapsed() >= kIdleMs) {
            searching_ = true;
            SearchButton()->click();
            phase_.restart();
            last_.restart();
        }
    }

    QPushButton* SearchButton() const {
        return qobject_cast<QPushButton*>(window_.Control(ControlId::search));
    }

    void Finish() {
        tick_.stop();
        const QByteArray figures =
            QStringLiteral("idle_max_ms %1\nsearch_max_ms %2\nsearch_ms %3\n")
                .arg(idleMax_)
                .arg(searchMax_)
                .arg(phase_.elapsed())
                .toUtf8();
        QFile out(resultPath_);
        if (!out.open(QIODevice::WriteOnly) || out.write(figures) != figures.size()) {
            std::fprintf(stderr, "tavro-writer: cannot write %s\n",
                         resultPath_.toLocal8Bit().constData());
            failed_ = true;
        }
        window_.EndDialog(0);
    }

    WriterWindow& window_;
    QString resultPath_;
    bool& failed_;
    QTimer tick_;
    QElapsedTimer phase_;
    QElapsedTimer last_;
    bool searching_ = false;
    qint64 idleMax_ = 0;
    qint64 searchMax_ = 0;
};

}  // namespace

void ArmStallProbe(WriterWindow& window, const QString& resultPath, bool& failed) {
    QTimer::singleShot(kSettleMs, &window, [&window, resultPath, &failed] {
        new LoopWatch(window, resultPath, failed);
    });
}

QString StallProbePathFromEnvironment() { return qEnvironmentVariable("TAVRO_WRITER_STALL_PROBE"); }

}  // namespace tavro::ui
