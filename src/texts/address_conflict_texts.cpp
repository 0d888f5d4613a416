#include "texts/address_conflict_texts.h"

namespace tavro::texts {
namespace {

std::string Joined(const std::vector<std::string>& macs, std::string_view separator) {
    std::string joined;
    for (const std::string& mac : macs) {
        if (!joined.empty()) joined += separator;
        joined += mac;
    }
    return joined;
}

}  // namespace

std::string AddressConflictText(std::string_view device, const std::vector<std::string>& macs,
                                Language language) {
    const std::string count = std::to_string(macs.size());
    if (language == Language::Japanese) {
        return std::string(device) + " で " + count + " 台の機器が応答しました（" +
               Joined(macs, "、") + "）。どの機器に届くか分からないため、書き込みませんでした";
    }
    return count + " devices answer at " + std::string(device) + " (" + Joined(macs, ", ") +
           "); none was written, as the image could reach any of them";
}

std::string AddressConflictShortText(Language language) {
    return language == Language::Japanese ? "書き込みませんでした（アドレスの競合）"
                                          : "not written: several devices answer at this address";
}

}  // namespace tavro::texts
