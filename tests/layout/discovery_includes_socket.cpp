// The discovery links the socket layer, so it sees it.
#include "net/socket.h"
