#include "upload/upload_listener.h"

#include "log/append_log.h"
#include "net/socket_error.h"
#include "upload/upload_error.h"

namespace tavro::upload {
namespace {

int BindToAddress(net::Socket& listener, net::Ipv4Address localAddress, std::uint16_t port) {
    // A fixed port is taken again run after run, while the last run's connection may linger.
    if (port != 0) listener.AllowRebindWhileLingering();
    return listener.Bind(net::Endpoint{localAddress, port});
}

}  // namespace

UploadResult OpenUploadListener(net::Ipv4Address localAddress, std::uint16_t askedPort, int backlog,
                                LogSink& log, net::Socket& listener, std::uint16_t& localPort) {
    AppendLog(log,
              "後で使うTCPサーバソケットをここで起動してポート番号を確定しておく必要がある。\r\n");

    AppendLog(log, "socket :");
    int error = 0;
    listener = net::Socket::Create(net::kStreamSocket, error);
    if (!listener.valid()) return EndWithSocketError(log, error);
    AppendLog(log, "ok\r\n");

    AppendLog(log, "bind \"%s\":", localAddress.ToString().c_str());
    if ((error = BindToAddress(listener, localAddress, askedPort)) != 0)
        return EndWithSocketError(log, error);
    AppendLog(log, "ok\r\n");

    AppendLog(log, "getsockname :");
    net::Endpoint local;
    if ((error = listener.GetLocalEndpoint(local)) != 0) return EndWithSocketError(log, error);
    localPort = local.port;
    AppendLog(log, "ok: localPort = %d\r\n", static_cast<int>(localPort));

    AppendLog(log, "listen :");
    if ((error = listener.Listen(backlog)) != 0) return EndWithSocketError(log, error);
    AppendLog(log, "ok\r\n");
    return kUploadSucceeded;
}

}  // namespace tavro::upload
