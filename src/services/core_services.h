#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "discovery/device_table.h"
#include "discovery/search_outcome.h"
#include "discovery/sightings.h"
#include "interfaces/interface_facts.h"
#include "log/log_sink.h"
#include "net/ipv4_address.h"
#include "upload/firmware_image.h"
#include "upload/upload_report.h"
#include "upload/upload_request.h"
#include "upload/upload_result.h"
#include "upload/upload_sink.h"

namespace tavro {

// The three jobs both front ends hand to the core. The programs pass RealCoreServices();
// tests pass fakes, so a front end is exercised without any traffic.
struct CoreServices {
    std::function<interfaces::InterfaceFacts()> readInterfaceFacts;
    // The count (or -1) and what the user should be told beside the list; a fake may give a
    // bare count.
    std::function<discovery::SearchOutcome(discovery::DeviceTable& table,
                                           net::Ipv4Address localAddress)>
        discoverDevices;
    // Every reply to one probe with its version query's fate, unbounded by the device list;
    // the command line's search and the batch's evidence come from here.
    std::function<discovery::Sightings(net::Ipv4Address localAddress)> searchEveryDevice;
    // One address's version query, for a device that did not answer a probe.
    std::function<discovery::VersionFinding(net::Ipv4Address localAddress, net::Ipv4Address device)>
        queryVersionOf;
    // The outcome and why it came about; a front end that shows only the outcome reads
    // `result`.
    std::function<upload::UploadReport(const upload::UploadRequest& request,
                                       upload::UploadSink& sink,
                                       const upload::UploadTimeouts& timeouts)>
        runUpload;
    // A listener that several uploads at once may share (UploadRequest::sharedListener); a
    // fake may leave it unset, and every upload then opens its own.
    std::function<std::shared_ptr<upload::ConnectBackListener>(
        net::Ipv4Address localAddress, std::uint16_t port, int backlog, LogSink& log,
        upload::UploadReport& report)>
        openConnectBackListener;
    // The file's length and digest, taken once for several uploads (UploadRequest::image); a
    // fake may leave it unset, and every upload then measures the file itself.
    std::function<upload::UploadResult(const std::string& path, LogSink& log,
                                       upload::FirmwareImage& image, upload::UploadReport& report)>
        measureFirmware;
};

// ReadInterfaceFacts, DiscoverDevices and RunUpload with their product settings.
CoreServices RealCoreServices();

}  // namespace tavro
