#include "texts/search_texts.h"

#include <string>

#include "discovery/device_table.h"
#include "discovery/discovery_options.h"
#include "texts/local_error_texts.h"

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

std::string UnansweredVersionText(int devices, int unasked, int localError,
                                  std::string_view interfaceName, std::string_view address,
                                  Language language) {
    const std::string where = std::string(interfaceName) + " (" + std::string(address) + ")";
    const std::string reason = LocalErrorText(localError, language);
    if (language == Language::Japanese) {
        const std::string answered =
            where + " で " + std::to_string(devices) + " 台のデバイスが検索に応答しましたが、";
        if (unasked >= devices) {
            return answered +
                   "このコンピューターの側でバージョンを問い合わせられませんでした: " + reason;
        }
        const std::string none = answered + "バージョンの問い合わせには応答しませんでした";
        if (unasked == 0) return none;
        return none + "（うち " + std::to_string(unasked) +
               " 台はこのコンピューターの側で問い合わせられませんでした: " + reason + "）";
    }
    const std::string count =
        std::to_string(devices) + (devices == 1 ? " device on " : " devices on ") + where;
    if (unasked >= devices) {
        return count + " answered the probe, but this computer could not ask " +
               (devices == 1 ? "it for its" : "them for their") + " version: " + reason;
    }
    const std::string none = count + " answered the probe but not the version query";
    if (unasked == 0) return none;
    return none + "; this computer could not ask " + std::to_string(unasked) +
           " of them: " + reason;
}

std::string UnaskedDevicesText(int unasked, int localError, Language language) {
    const std::string reason = LocalErrorText(localError, language);
    if (language == Language::Japanese) {
        return "ほかに " + std::to_string(unasked) +
               " 台のデバイスが検索に応答しましたが、このコンピューターの側でバージョンを問い合わせ"
               "られませんでした: " +
               reason;
    }
    return std::to_string(unasked) + (unasked == 1 ? " more device" : " more devices") +
           " answered the probe, but this computer could not ask " +
           (unasked == 1 ? "it for its" : "them for their") + " version: " + reason;
}

std::string RepliesLeftOutText(int leftOut, int kept, Language language) {
    if (language == Language::Japanese) {
        return "検索で扱える応答は " + std::to_string(kept) + " 件までのため、残りの " +
               std::to_string(leftOut) + " 件の応答は扱いませんでした";
    }
    return std::to_string(leftOut) + (leftOut == 1 ? " more reply was" : " more replies were") +
           " left out (a search keeps " + std::to_string(kept) + ")";
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
