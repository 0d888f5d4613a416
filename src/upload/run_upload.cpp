#include "upload/run_upload.h"

#include <cstdint>

#include "net/socket.h"
#include "upload/firmware_image.h"
#include "upload/firmware_transfer.h"
#include "upload/upload_invitation.h"
#include "upload/upload_listener.h"

namespace tavro::upload {

UploadResult RunUpload(const UploadRequest& request, UploadSink& sink,
                       const UploadTimeouts& timeouts) {
    FirmwareImage image;
    UploadResult result = MeasureFirmware(request.firmwarePath, sink, image);
    if (result != kUploadSucceeded) return result;

    // The listener goes first: the invitation has to name its port.
    net::Socket listener;
    std::uint16_t localPort = 0;
    result = OpenUploadListener(request.localAddress, sink, listener, localPort);
    if (result != kUploadSucceeded) return result;

    net::Endpoint device;
    result = InviteDevice(request, image, localPort, sink, timeouts.reply, device);
    if (result != kUploadSucceeded) return result;

    return TransferFirmware(request.firmwarePath, image, device.address, listener, sink, timeouts);
}

}  // namespace tavro::upload
