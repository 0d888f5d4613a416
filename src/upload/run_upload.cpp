#include "upload/run_upload.h"

#include <cstdint>
#include <memory>

#include "log/append_log.h"
#include "net/socket.h"
#include "upload/connect_back_listener.h"
#include "upload/firmware_image.h"
#include "upload/firmware_transfer.h"
#include "upload/local_shortage.h"
#include "upload/shared_listener.h"
#include "upload/upload_invitation.h"

namespace tavro::upload {
namespace {

// The image measured for this upload alone, or the one measured for all of a batch, traced
// alike.
UploadResult TakeImage(const UploadRequest& request, UploadSink& sink, FirmwareImage& image,
                       UploadReport& report) {
    if (!request.image) return MeasureFirmware(request.firmwarePath, sink, image, report);
    image = *request.image;
    report.bytesTotal = image.length;
    AppendLog(sink, "まずファイルのMD5を計算する。\r\n");
    AppendLog(sink, "size %d :file MD5: %s\r\n", image.length, image.digestHex.c_str());
    return kUploadSucceeded;
}

UploadResult Upload(const UploadRequest& request, UploadSink& sink, const UploadTimeouts& timeouts,
                    UploadReport& report) {
    FirmwareImage image;
    UploadResult result = TakeImage(request, sink, image, report);
    if (result != kUploadSucceeded) return result;
    report.fileDigestHex = image.digestHex;

    // The listener goes first: the invitation has to name its port.
    std::shared_ptr<ConnectBackListener> listener = request.sharedListener;
    if (listener) {
        AppendLog(sink, "getsockname :ok: localPort = %d\r\n",
                  static_cast<int>(listener->local().port));
    } else if (!(listener = OpenConnectBackListener(request.localAddress, request.localPort,
                                                    kOwnListenerBacklog, sink, report))) {
        return report.result;
    }
    report.localAddress = listener->local().address;
    report.localPort = listener->local().port;

    // From here on the device may connect back, before this upload waits for it.
    ConnectBackListener::Expectation expected(*listener, request.deviceAddress);
    net::Endpoint device;
    ConnectBackListener::Clock::time_point answeredSent;
    result = InviteDevice(request, image, listener->local().port, sink, timeouts.reply, device,
                          answeredSent, report);
    if (result != kUploadSucceeded) return result;
    expected.Accepted(answeredSent);

    return TransferFirmware(request.firmwarePath, image, expected, listener->local(), sink,
                            timeouts, report);
}

}  // namespace

UploadResult RunUpload(const UploadRequest& request, UploadSink& sink,
                       const UploadTimeouts& timeouts, UploadReport* report) {
    UploadReport own;
    UploadReport& kept = report != nullptr ? *report : own;
    kept = UploadReport{};
    kept.device = request.deviceAddress;
    kept.localAddress = request.localAddress;
    kept.localPort = request.localPort;
    kept.localPortChosen = request.localPort != 0 || request.sharedListener != nullptr;
    kept.filePath = request.firmwarePath;
    kept.result = Upload(request, sink, timeouts, kept);
    // Whichever step ran into it, a shortage of this computer's is what ended the upload.
    if (IsLocalShortage(kept.result)) kept.cause = UploadCause::LocalShortage;
    return kept.result;
}

}  // namespace tavro::upload
