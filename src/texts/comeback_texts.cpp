#include "texts/comeback_texts.h"

namespace tavro::texts {
namespace {

std::string Text(std::string_view text) { return std::string(text); }

}  // namespace

std::string AwaitingComebackText(std::string_view device, std::string_view seconds,
                                 Language language) {
    if (language == Language::Japanese) {
        return Text(device) + " の復帰を待っています（最大 " + Text(seconds) + " 秒）";
    }
    return "waiting for " + Text(device) + " to come back (at most " + Text(seconds) + " s)";
}

std::string AwaitingComebackShortText(Language language) {
    return language == Language::Japanese ? "復帰を待っています" : "waiting for it to come back";
}

std::string CameBackText(std::string_view device, std::string_view version, Language language) {
    if (language == Language::Japanese) {
        return Text(device) + " はバージョン " + Text(version) + " で復帰しました";
    }
    return Text(device) + " came back with version " + Text(version);
}

std::string NotBackText(std::string_view device, std::string_view seconds, Language language) {
    if (language == Language::Japanese) {
        return Text(device) + " は " + Text(seconds) + " 秒以内に復帰しませんでした";
    }
    return Text(device) + " did not come back within " + Text(seconds) + " s";
}

std::string CameBackSuffix(std::string_view version, Language language) {
    if (language == Language::Japanese) return "、バージョン " + Text(version) + " で復帰";
    return ", back with version " + Text(version);
}

std::string NotBackSuffix(std::string_view seconds, Language language) {
    if (language == Language::Japanese) return "、" + Text(seconds) + " 秒以内に復帰せず";
    return ", did not come back within " + Text(seconds) + " s";
}

}  // namespace tavro::texts
