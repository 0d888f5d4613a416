#include "discovery/discover_devices.h"
#include "interfaces/read_interface_facts.h"
#include "services/core_services.h"
#include "upload/firmware_image.h"
#include "upload/run_upload.h"
#include "upload/shared_listener.h"

namespace tavro {

CoreServices RealCoreServices() {
    return {
        .readInterfaceFacts = interfaces::ReadInterfaceFacts,
        .discoverDevices =
            [](discovery::DeviceTable& table, net::Ipv4Address localAddress) {
                discovery::SearchOutcome outcome;
                discovery::DiscoverDevices(table, localAddress, {}, &outcome);
                return outcome;
            },
        .searchEveryDevice = {},
        .queryVersionOf = {},
        .runUpload =
            [](const upload::UploadRequest& request, upload::UploadSink& sink,
               const upload::UploadTimeouts& timeouts) {
                upload::UploadReport report;
                upload::RunUpload(request, sink, timeouts, &report);
                return report;
            },
        .openConnectBackListener = upload::OpenConnectBackListener,
        .measureFirmware = upload::MeasureFirmware,
    };
}

}  // namespace tavro
