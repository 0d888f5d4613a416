#include <unistd.h>

#include "cli/cli_services.h"
#include "net/discovery/discover_devices.h"
#include "net/interfaces/read_interface_facts.h"
#include "upload/run_upload.h"

namespace tavro::cli {

CliServices RealCliServices() {
    return {
        .readInterfaceFacts = ReadInterfaceFacts,
        .discoverDevices =
            [](DeviceTable& table, const std::string& localAddress) {
                return DiscoverDevices(table, localAddress);
            },
        .runUpload = [](const UploadRequest& request,
                        UploadSink& sink) { return RunUpload(request, sink); },
        .stderrIsTerminal = [] { return ::isatty(STDERR_FILENO) == 1; },
    };
}

}  // namespace tavro::cli
