#include "interfaces/build_interface_table.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace tavro::interfaces {
namespace {

constexpr std::size_t kWorkingListCapacity = 256;
// Some virtual adapters report exactly this speed; they are not links to devices.
constexpr std::uint32_t kVirtualAdapterSpeed = 0x40000000;
// The friendly name passes through a 512-byte conversion buffer that also holds its NUL.
constexpr std::size_t kConversionBufferSize = 512;

struct WorkingEntry {
    std::uint32_t index = 0;
    std::string description;  // already cut to what a record's field holds
};

// The text as a NUL-terminated field of Size bytes holds it: up to the first NUL, at most
// Size - 1 bytes, and never ending in the middle of a UTF-8 character.
template <std::size_t Size>
std::string_view FieldText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    if (text.size() < Size) return text;
    std::size_t length = Size - 1;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    return text.substr(0, length);
}

template <std::size_t Size>
void CopyToField(char (&field)[Size], std::string_view text) {
    const std::string_view kept = FieldText<Size>(text);
    std::memset(field, 0, Size);
    std::memcpy(field, kept.data(), kept.size());
}

bool Accepted(const InterfaceRow& row) {
    // Index 0 names no interface; an address row carrying it belongs to nothing.
    return row.index != 0 &&
           (row.operStatus == kOperStatusConnected || row.operStatus == kOperStatusOperational) &&
           row.physicalAddressLength != 0 && row.speed != kVirtualAdapterSpeed;
}

std::vector<WorkingEntry> BuildWorkingList(const std::vector<InterfaceRow>& interfaces) {
    std::vector<WorkingEntry> working;
    working.reserve(kWorkingListCapacity);
    for (const InterfaceRow& row : interfaces) {
        if (working.size() == kWorkingListCapacity) break;
        if (!Accepted(row)) continue;
        working.push_back({row.index, std::string(FieldText<sizeof LocalInterface::description>(
                                          row.description))});
    }
    return working;
}

const WorkingEntry* FindEntry(const std::vector<WorkingEntry>& working, std::uint32_t index) {
    const auto found = std::find_if(working.begin(), working.end(),
                                    [index](const WorkingEntry& e) { return e.index == index; });
    return found == working.end() ? nullptr : &*found;
}

void StoreAddresses(const std::vector<AddressRow>& addresses,
                    const std::vector<WorkingEntry>& working, InterfaceTable& table) {
    for (const AddressRow& row : addresses) {
        if (table.count == InterfaceTable::kCapacity) return;
        if (row.address == net::kLoopbackAddress) continue;
        const WorkingEntry* entry = FindEntry(working, row.interfaceIndex);
        if (entry == nullptr || entry->description.empty()) continue;

        LocalInterface& record = table.records[static_cast<std::size_t>(table.count)];
        record = LocalInterface{};
        record.interfaceIndex = row.interfaceIndex;
        CopyToField(record.description, entry->description);
        record.address = row.address;
        record.mask = row.mask;
        ++table.count;
    }
}

InterfaceBuildResult Failure(std::string reason) { return {false, std::move(reason)}; }

InterfaceBuildResult JoinFriendlyNames(const std::vector<AdapterRow>& adapters,
                                       InterfaceTable& table) {
    // Every adapter is checked, also one that carries no address of the table.
    for (const AdapterRow& adapter : adapters) {
        if (adapter.friendlyName.empty()) {
            return Failure("an adapter (interface index " +
                           std::to_string(adapter.ipv4InterfaceIndex) +
                           ") has an empty friendly name");
        }
        // A name of exactly 512 bytes would leave no room for its NUL: refused like a longer one.
        if (adapter.friendlyName.size() >= kConversionBufferSize) {
            return Failure("the friendly name of an adapter (interface index " +
                           std::to_string(adapter.ipv4InterfaceIndex) + ") is " +
                           std::to_string(adapter.friendlyName.size()) +
                           " bytes long; at most 511 fit");
        }
        for (std::int32_t i = 0; i < table.count; ++i) {
            LocalInterface& record = table.records[static_cast<std::size_t>(i)];
            if (record.interfaceIndex == adapter.ipv4InterfaceIndex) {
                CopyToField(record.friendlyName, adapter.friendlyName);
            }
        }
    }
    return {};
}

}  // namespace

InterfaceBuildResult BuildInterfaceTable(const InterfaceFacts& facts, InterfaceTable& table) {
    table.count = 0;

    // An unreadable interface list leaves the working list empty, so no address qualifies.
    const std::vector<WorkingEntry> working =
        facts.interfaces ? BuildWorkingList(*facts.interfaces) : std::vector<WorkingEntry>{};
    if (facts.addresses) StoreAddresses(*facts.addresses, working, table);

    if (!facts.adapters) {
        return Failure("cannot read the adapter list" +
                       (facts.adapterError.empty() ? std::string() : ": " + facts.adapterError));
    }
    return JoinFriendlyNames(*facts.adapters, table);
}

}  // namespace tavro::interfaces
