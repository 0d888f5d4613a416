#pragma once

#include <string>
#include <string_view>

#include "net/socket.h"
#include "sim/escaped_text.h"

namespace tavro::sim {

// Bytes as they appear in an event line: escaped and in double quotes.
inline std::string Quoted(std::string_view bytes) { return '"' + EscapeText(bytes) + '"'; }

// "a.b.c.d:port", as an event line names a peer.
inline std::string EndpointText(const net::Endpoint& endpoint) {
    return endpoint.address.ToString() + ":" + std::to_string(endpoint.port);
}

}  // namespace tavro::sim
