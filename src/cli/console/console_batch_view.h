#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "batch/batch_view.h"
#include "batch/write_target.h"
#include "cli/console/console_upload_sink.h"
#include "cli/console/terminal.h"
#include "cli/job_state.h"
#include "texts/language.h"

namespace tavro::cli {

// What every console view of a write needs to know.
struct ConsoleSettings {
    JobState& job;
    std::ostream& out;
    std::ostream& err;
    texts::Language language = texts::Language::English;
    bool trace = false;   // -v
    bool status = false;  // stderr is a terminal that may show progress, without -v
    Terminal terminal;
    std::function<std::chrono::steady_clock::time_point()> now;
    bool verify = false;
    std::chrono::milliseconds verifyTimeout{60000};
    std::string file;         // the firmware file as the terminal shows it
    std::string path;         // its absolute path in UTF-8, for the records
    TraceLog* log = nullptr;  // write --log
};

// What the console views of a write share: each device's upload sink, and the job's state,
// which the stop signals read, kept in step with the batch.
class ConsoleBatchView : public batch::BatchView {
public:
    ConsoleBatchView(ConsoleSettings settings, const std::vector<batch::WriteTarget>& targets);

    void Begin() override;
    upload::UploadSink& Progress(std::size_t device) override;
    void AwaitingComeback(std::size_t device, const upload::UploadReport& upload) override;
    void Ended(std::size_t device, const batch::DeviceOutcome& outcome) override;

protected:
    // How the device's upload shows itself; called once per device, at the beginning.
    virtual UploadDisplay DisplayFor(std::size_t device) = 0;
    virtual void ShowAwaiting(std::size_t device, const upload::UploadReport& upload) = 0;
    virtual void ShowEnded(std::size_t device, const batch::DeviceOutcome& outcome) = 0;

    // Lines that stay on the screen, wrapped to the terminal's width when stream is the
    // terminal's; as they are for a file or a pipe.
    std::string FinalLines(const std::ostream& stream, std::string lines) const;

    ConsoleSettings settings_;
    const std::vector<batch::WriteTarget>& targets_;
    std::vector<std::string> shown_;  // the devices' addresses as the terminal shows them
    std::vector<std::unique_ptr<ConsoleUploadSink>> sinks_;
};

}  // namespace tavro::cli
