#include "upload/shared_listener.h"

#include "net/socket.h"
#include "upload/local_shortage.h"
#include "upload/upload_error.h"
#include "upload/upload_listener.h"

namespace tavro::upload {

std::shared_ptr<ConnectBackListener> OpenConnectBackListener(net::Ipv4Address localAddress,
                                                             std::uint16_t port, int backlog,
                                                             LogSink& log, UploadReport& report) {
    report.localAddress = localAddress;
    report.localPort = port;
    report.localPortChosen = port != 0;
    net::Socket socket;
    std::uint16_t localPort = 0;
    report.result = OpenUploadListener(localAddress, port, backlog, log, socket, localPort);
    if (report.result != kUploadSucceeded) {
        report.cause = CauseOfSocketFailure(report.result, UploadCause::ListenerFailed);
        return nullptr;
    }
    report.localPort = localPort;
    auto listener = std::make_shared<ConnectBackListener>(std::move(socket),
                                                          net::Endpoint{localAddress, localPort});
    if (const int failure = listener->failure(); failure != 0) {
        report.result = EndWithSocketError(log, failure);
        report.cause = CauseOfSocketFailure(failure, UploadCause::ListenerFailed);
        return nullptr;
    }
    return listener;
}

}  // namespace tavro::upload
