#include "discovery/discover_devices.h"
#include "interfaces/read_interface_facts.h"
#include "services/core_services.h"
#include "upload/run_upload.h"

namespace tavro {

CoreServices RealCoreServices() {
    return {
        .readInterfaceFacts = ReadInterfaceFacts,
        .discoverDevices =
            [](DeviceTable& table, const std::string& localAddress) {
                SearchOutcome outcome;
                DiscoverDevices(table, localAddress, {}, &outcome);
                return outcome;
            },
        .runUpload = [](const UploadRequest& request,
                        UploadSink& sink) { return RunUpload(request, sink); },
    };
}

}  // namespace tavro
