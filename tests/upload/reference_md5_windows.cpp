// The writer's digests come from Windows CNG here; the reference is the simulator's plain MD5,
// which shares no code with them (and is itself held to the RFC 1321 test vectors).

#include "firmware_files.h"
#include "sim/md5_hex.h"

namespace tavro::test {

std::string ReferenceMd5Hex(std::string_view bytes) { return sim::Md5Hex(bytes); }

}  // namespace tavro::test
