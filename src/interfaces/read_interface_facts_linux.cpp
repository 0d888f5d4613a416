#include "interfaces/ethtool_query_linux.h"
#include "interfaces/kernel_addresses_linux.h"
#include "interfaces/kernel_links_linux.h"
#include "interfaces/link_terms_linux.h"
#include "interfaces/read_interface_facts.h"

namespace tavro::interfaces {
namespace {

InterfaceRow InterfaceRowOf(const KernelLink& link, const EthtoolQuery& ethtool) {
    InterfaceRow row;
    row.index = link.index;
    row.operStatus = OperStatusOf(link.operState, link.flags);
    row.physicalAddressLength = HardwareAddressLengthOf(link.hardwareAddress);
    row.speed = SpeedOf(ethtool.SpeedMegabits(link.name));
    // Links whose driver keeps quiet (loopback, tunnels) still need a description.
    row.description = ethtool.DriverName(link.name).value_or(link.name);
    return row;
}

}  // namespace

InterfaceFacts ReadInterfaceFacts() {
    InterfaceFacts facts;

    std::string why;
    if (const auto links = ReadKernelLinks(why)) {
        const EthtoolQuery ethtool;
        facts.interfaces.emplace();
        facts.adapters.emplace();
        for (const KernelLink& link : *links) {
            facts.interfaces->push_back(InterfaceRowOf(link, ethtool));
            facts.adapters->push_back({link.index, link.name});
        }
    } else {
        facts.adapterError = "cannot list the network links: " + why;
    }

    std::string addressWhy;
    facts.addresses = ReadKernelIPv4Addresses(addressWhy);
    return facts;
}

}  // namespace tavro::interfaces
