#include "sim/sim_help.h"

namespace tavro::sim {

const char kDeviceHelp[] = R"(
Runs simulated TAVRO devices for tests and demos. Run it only inside a private network
namespace (see scripts/lib/testnet.sh): it answers broadcast probes on UDP 0.0.0.0:30718.

DEVICE is  ADDR[,key=value|flag...]  and ADDR must already be an address of an interface.
Each device answers the probe from ADDR, serves the version query on TCP ADDR:9998 and the
upload on UDP ADDR:3232, each on its own thread (and each version query on its own). Every
wait and every send is bounded at 30 s.

Identity and answers:
  mac=02-00-5E-0A-0B-0C   hardware address in the reply (default 02-00-5E + last 3 bytes of ADDR)
  sketch=N text=M         version answer "SKETCH VER : N\r\nTEXT VER : M\r\n" (default 105, 3)
  password=TEXT           answer the invitation with "AUTH <32-hex nonce>" and require
                          200 CNONCE MD5hex(MD5hex(TEXT) ":" nonce ":" CNONCE); verdict OK/FAIL
  store=DIR               write a received image that passed the length and MD5 checks to
                          DIR/ADDR.bin
Discovery faults:
  no-reply                ignore the probe
  replies=N               answer each probe N times
  reply-length=N          reply datagram of N bytes (default 30; mac at 24..29 when it fits)
  reply-delay-ms=N        wait before each reply
  flood-rate=N            with flood-seconds: answer a probe with N replies a second...
  flood-seconds=S         ...for S seconds (at most 30), instead of `replies` replies
Version query faults:
  version-answer=TEXT     send exactly TEXT instead (escapes \r \n \t \0 \\ \xNN; a comma is \x2c)
  version=silent          accept and read the request, then say nothing
  version=close           accept, then close at once
  version-delay-ms=N      wait before answering
  version-trickle-ms=N    send the answer one byte every N ms (until the writer closes)
Upload faults:
  ignore-invitations=N    leave the first N invitations unanswered
  invitation-answer=TEXT  answer the invitation with TEXT (e.g. NG) and go no further
  refuse-auth             verdict "FAIL" whatever the answer
  no-verdict              send no verdict after the authentication answer
  no-connect              accept, then never connect back
  close-after=BYTES       reset the data connection after that many image bytes
  ack-delay-ms=N          wait before each acknowledgement
  no-final                send no final "OK"; keep the connection until the writer closes it
  connect-from=ADDR2      connect back from ADDR2 (another address of this namespace)
  flood-connections=N     before connecting back, open N more connections to the writer's
                          port (at most 5000) and hold them, silent, until the device is done
  close-on-accept         connect back, then close at once (orderly) before reading anything
  shutdown-on-accept      connect back, shut down the sending side at once (no byte is ever
                          acknowledged), keep reading the image and note how much came
  ack-in-advance          connect back, send every block's acknowledgement at once, then
                          read nothing; hold the connection until the writer drops it
  extra-ack=TEXT          send TEXT after every acknowledgement (escapes as above)
  final-word=TEXT         send TEXT as the final reply instead of "OK"/"NG"; an empty TEXT
                          is an orderly close without a byte
  final-split-ms=N        send the final reply's first byte, wait N ms, then the rest
After an upload (once the image was verified and the final word sent, the device resets):
  reset-ms=N              answer neither the probe nor the version query for N ms
  never-back              answer neither of them again
  sketch-after=N          the sketch version answered once back (default: unchanged)
Other hosts (ADDR2 must be another address of an interface of this namespace):
  answer-from=ADDR2       every UDP answer (the invitation's, the verdict) comes from ADDR2,
                          none from ADDR
  stranger-answer=ADDR2   ADDR2 answers each invitation "OK" just before the device does
  stranger-connect=ADDR2  ADDR2 connects to the writer's data port just before the device
                          connects back; it reads what it gets and acknowledges nothing
Faults that hold a connection end at the 30 s limit at the latest, or when the writer closes.

The upload: invitation "0 PORT LENGTH MD5HEX\n" -> "OK" (or the challenge and verdict), then
a TCP connection back to the invitation's source address at PORT; LENGTH bytes are read in
blocks of 1024 (the last shorter), each acknowledged with its size as decimal text ("1024",
"452"); length and MD5 are checked, "OK" is sent (or "NG" on a mismatch) and the connection
closed.

"ready" is printed on stdout once every socket is bound; SIGTERM or SIGINT ends the run
(with --stop-on-eof, so does the end of stdin).

Events (--events FILE), one line each, "<ADDR or *> <event> [detail]", bytes in quotes with
the escapes above; what a device sends on the upload is noted just before it goes:
  * probe FROM "TV"                 * unexpected-datagram FROM "..."
  ADDR probe-ignored FROM           ADDR reply-sent TO LENGTH
  ADDR version-connection FROM      ADDR version-request "..."    ADDR version-served "..."
  ADDR version-closed | version-silent | version-request-unexpected
  ADDR reset AWAY_MS | reset never-back       ADDR probe-unanswered-away FROM
  ADDR version-closed-away
  ADDR invitation FROM "..."        ADDR invitation-ignored N     ADDR invitation-malformed
  ADDR udp-sent TO "..."            ADDR udp-send-failed CODE
  ADDR auth-answer FROM "..." match|mismatch
  ADDR verdict-withheld | connect-withheld | auth-answer-missing
  ADDR connected TO from LOCAL      ADDR connect-failed TO CODE
  ADDR block SIZE                   ADDR ack SIZE                 ADDR aborted-after BYTES
  ADDR transfer-short GOT of LENGTH (quiet|closed)
  ADDR image-ok LENGTH MD5          ADDR image-mismatch LENGTH MD5
  ADDR image-stored PATH            ADDR final-sent "OK"          ADDR final-withheld
  ADDR closed-on-accept             ADDR shut-down-on-accept      ADDR received BYTES (quiet|closed)
  ADDR acks-in-advance BLOCKS       ADDR held-until closed|limit|stopped|failed
  ADDR extra-sent "..."             ADDR ack-failed SIZE
  ADDR stranger-sent TO "OK" from ADDR2
  ADDR stranger-connected TO from LOCAL   ADDR stranger-connect-failed TO CODE
  ADDR stranger-received BYTES
  ADDR version-send-failed SENT of "..."
  ADDR flood-started TO RATE/s SECONDS s  ADDR flood-ended SENT sent FAILED failed
With answer-from, udp-sent lines end with "from ADDR2".
)";

}  // namespace tavro::sim
