#include "texts/search_texts.h"

#include <string>

#include "discovery/device_table.h"
#include "discovery/discovery_options.h"

namespace tavro::texts {
namespace {

std::string UnlistedPart(int unlisted, Language language) {
    const std::string capacity = std::to_string(discovery::DeviceTable::kCapacity);
    if (language == Language::Japanese) {
        return "一覧に載らなかった応答があと " + std::to_string(unlisted) + " 件あります（一覧は " +
               capacity + " 台まで）";
    }
    const std::string holds = " (the list holds " + capacity + ")";
    if (unlisted == 1) return "1 more reply was not listed" + holds;
    return std::to_string(unlisted) + " more replies were not listed" + holds;
}

// The front ends search with the product's times, so the bound they name is the product's.
std::string BoundPart(Language language) {
    const long long bound = discovery::DiscoveryOptions{}.searchBound.count();
    if (language == Language::Japanese) {
        const std::string shown = bound % 1000 == 0 ? std::to_string(bound / 1000) + " 秒"
                                                    : std::to_string(bound) + " ミリ秒";
        return "応答が続いている間に検索の上限 " + shown + " に達したため、検索を打ち切りました";
    }
    const std::string shown =
        bound % 1000 == 0 ? std::to_string(bound / 1000) + " s" : std::to_string(bound) + " ms";
    return "the search ended at its " + shown + " bound while replies were still arriving";
}

}  // namespace

std::string SearchNoticeText(const discovery::SearchOutcome& outcome, Language language) {
    if (outcome.count < 0) return {};
    const std::string separator = language == Language::Japanese ? "。" : "; ";
    std::string notice;
    if (outcome.unlistedReplies > 0) notice = UnlistedPart(outcome.unlistedReplies, language);
    if (outcome.endedAtBound) {
        notice += (notice.empty() ? "" : separator) + BoundPart(language);
    }
    return notice;
}

std::string NoInterfaceText(Language language) {
    return language == Language::Japanese ? "ネットワークデバイスが見つかりませんでした。"
                                          : "No network device was found.";
}

std::string NoDeviceAnsweredText(std::string_view interfaceName, std::string_view address,
                                 Language language) {
    const std::string where = std::string(interfaceName) + " (" + std::string(address) + ")";
    return language == Language::Japanese ? where + " ではどのデバイスも応答しませんでした"
                                          : "no device answered on " + where;
}

}  // namespace tavro::texts
