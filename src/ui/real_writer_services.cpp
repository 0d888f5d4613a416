#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "net/discovery/discover_devices.h"
#include "net/interfaces/read_interface_facts.h"
#include "ui/writer_services.h"
#include "upload/run_upload.h"

namespace tavro::ui {
namespace {

bool StartDetachedThread(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

[[noreturn]] void ExitProcess(int status, const std::string& reason) {
    std::fprintf(stderr, "tavro-writer: %s\n", reason.c_str());
    std::exit(status);
}

}  // namespace

WriterServices RealWriterServices() {
    return {
        .readInterfaceFacts = ReadInterfaceFacts,
        .discoverDevices =
            [](DeviceTable& table, const std::string& localAddress) {
                return DiscoverDevices(table, localAddress);
            },
        .runUpload = [](const UploadRequest& request,
                        UploadSink& sink) { return RunUpload(request, sink); },
        .startWorker = StartDetachedThread,
        .exitProcess = ExitProcess,
    };
}

}  // namespace tavro::ui
