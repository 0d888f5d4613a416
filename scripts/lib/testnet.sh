# shellcheck shell=bash
# A private test network for the simulated devices: two network namespaces joined by a veth
# pair, so that the writer's broadcast probe never reaches a real interface.
#
#   $TESTNET_TOOL_NS                          $TESTNET_DEVICE_NS
#   +----------------------------+            +--------------------------------------+
#   | tavro-writer(-cli)         |            | tavro-sim                            |
#   | tv0  198.18.0.1/24  =======+== veth ====+ dv0  DEVICE_ADDR/24 (one per device)  |
#   +----------------------------+            +--------------------------------------+
#     default route via 198.18.0.254 (nobody) on tv0
#
# Source this file, then:
#   testnet_up 198.18.0.10 198.18.0.11   # namespaces up, addresses on dv0; cleanup trapped
#   testnet_devices tavro-sim --device 198.18.0.10 ... &
#   testnet_tool tavro-writer-cli search --interface 198.18.0.1
#   testnet_down                          # also runs by itself on EXIT, INT and TERM
#
# Names carry the shell's pid (tvd-<pid>-tool, tvd-<pid>-dev); namespaces left behind by a
# run whose shell is gone are removed before new ones are made. Only 198.18.0.0/24 is used.

TESTNET_TOOL_ADDRESS=198.18.0.1
TESTNET_GATEWAY=198.18.0.254
TESTNET_PREFIX=tvd
TESTNET_TOOL_NS=
TESTNET_DEVICE_NS=

# Namespaces of earlier runs whose shell no longer exists.
testnet_remove_stale() {
    local name pid
    while read -r name _; do
        [[ $name =~ ^${TESTNET_PREFIX}-([0-9]+)-(tool|dev)$ ]] || continue
        pid=${BASH_REMATCH[1]}
        kill -0 "$pid" 2>/dev/null && continue
        testnet_kill_all "$name"
        ip netns del "$name" 2>/dev/null || true
    done < <(ip netns list 2>/dev/null)
}

# Ends every process inside a namespace: TERM first, KILL for those still there after 2 s.
testnet_kill_all() {
    local ns=$1 pids
    pids=$(ip netns pids "$ns" 2>/dev/null) || return 0
    [[ -n $pids ]] || return 0
    # shellcheck disable=SC2086
    kill $pids 2>/dev/null || true
    for _ in $(seq 20); do
        [[ -z $(ip netns pids "$ns" 2>/dev/null) ]] && return 0
        sleep 0.1
    done
    pids=$(ip netns pids "$ns" 2>/dev/null) || return 0
    if [[ -n $pids ]]; then
        # shellcheck disable=SC2086
        kill -9 $pids 2>/dev/null || true
    fi
}

# testnet_up DEVICE_ADDR... : builds the network; the first failure ends with status 1.
testnet_up() {
    if (($# == 0)); then
        echo "testnet_up: give at least one device address" >&2
        return 1
    fi
    local address
    for address in "$@"; do
        if [[ ! $address =~ ^198\.18\.0\.([0-9]{1,3})$ ]] || ((BASH_REMATCH[1] < 2 || BASH_REMATCH[1] > 254)); then
            echo "testnet_up: $address is not a device address of 198.18.0.0/24" >&2
            return 1
        fi
    done
    testnet_remove_stale
    TESTNET_TOOL_NS="$TESTNET_PREFIX-$$-tool"
    TESTNET_DEVICE_NS="$TESTNET_PREFIX-$$-dev"
    trap testnet_down EXIT
    trap 'testnet_down; exit 130' INT
    trap 'testnet_down; exit 143' TERM

    if ! testnet_build_pair; then
        echo "testnet_up: cannot build the test network (needs root and iproute2)" >&2
        testnet_down
        return 1
    fi
    for address in "$@"; do
        ip -n "$TESTNET_DEVICE_NS" addr add "$address/24" dev dv0 || {
            testnet_down
            return 1
        }
    done
    ip -n "$TESTNET_TOOL_NS" link set tv0 up && ip -n "$TESTNET_DEVICE_NS" link set dv0 up
    # The limited broadcast is routed like any destination; this route keeps it on tv0. Its
    # gateway (an address nobody holds) is there for Wine, whose adapter list refuses a default
    # route without one.
    ip -n "$TESTNET_TOOL_NS" route add default via "$TESTNET_GATEWAY" dev tv0
    testnet_wait_link || {
        echo "testnet_up: the veth pair did not come up within 5 s" >&2
        testnet_down
        return 1
    }
}

# The namespaces and the veth pair between them, the tool's address on tv0.
testnet_build_pair() {
    ip netns add "$TESTNET_TOOL_NS" &&
        ip netns add "$TESTNET_DEVICE_NS" &&
        ip -n "$TESTNET_TOOL_NS" link set lo up &&
        ip -n "$TESTNET_DEVICE_NS" link set lo up &&
        ip -n "$TESTNET_TOOL_NS" link add tv0 type veth peer name dv0 netns "$TESTNET_DEVICE_NS" &&
        ip -n "$TESTNET_TOOL_NS" addr add "$TESTNET_TOOL_ADDRESS/24" dev tv0
}

# Both ends report carrier, polled for at most 5 s.
testnet_wait_link() {
    for _ in $(seq 50); do
        if ip -n "$TESTNET_TOOL_NS" -o link show tv0 | grep -q LOWER_UP &&
            ip -n "$TESTNET_DEVICE_NS" -o link show dv0 | grep -q LOWER_UP; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Kills every process in both namespaces and deletes them; safe to call more than once.
testnet_down() {
    local ns
    for ns in "$TESTNET_TOOL_NS" "$TESTNET_DEVICE_NS"; do
        [[ -n $ns ]] || continue
        testnet_kill_all "$ns"
        ip netns del "$ns" 2>/dev/null || true
    done
    TESTNET_TOOL_NS=
    TESTNET_DEVICE_NS=
}

# testnet_tool CMD... : runs a command on the writer's side.
testnet_tool() {
    ip netns exec "$TESTNET_TOOL_NS" "$@"
}

# testnet_devices CMD... : runs a command on the devices' side (tavro-sim).
testnet_devices() {
    ip netns exec "$TESTNET_DEVICE_NS" "$@"
}
