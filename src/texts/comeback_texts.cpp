#include "texts/comeback_texts.h"

#include "texts/local_error_texts.h"

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

std::string NotBackCauseText(std::string_view seconds, Language language) {
    if (language == Language::Japanese) {
        return "ファームウェアを受け取りましたが、リセット後 " + Text(seconds) +
               " 秒以内に再び応答しませんでした";
    }
    return "it took the image but did not answer again within " + Text(seconds) + " s of its reset";
}

std::string NeverLeftText(Language language) {
    if (language == Language::Japanese) {
        return "ファームウェアを受け取りましたが、待ち時間の終わりまで書き込み前のバージョンで"
               "応答し続けました（リセットしていません）";
    }
    return "it took the image but kept answering with the version it had before, to the end "
           "of the wait: it did not reset";
}

std::string UnreadableVersionText(Language language) {
    if (language == Language::Japanese) {
        return "リセットから復帰しましたが、バージョンの応答をバージョンとして読めません";
    }
    return "it came back from its reset, but its version answer does not read as a version";
}

std::string WatchFailedText(int localError, Language language) {
    if (language == Language::Japanese) {
        return "このコンピューターで機器の復帰を確かめられませんでした（" +
               LocalErrorText(localError, language) + "）。復帰したかどうかは分かりません";
    }
    return "this computer could not watch for the device's return (" +
           LocalErrorText(localError, language) + "); whether it came back is not known";
}

std::string NeverLeftSuffix(Language language) {
    if (language == Language::Japanese) return "、リセットせず（書き込み前のバージョンのまま）";
    return ", but it did not reset (still the version it had)";
}

std::string UnreadableVersionSuffix(Language language) {
    if (language == Language::Japanese) return "、復帰したがバージョンを読めず";
    return ", back, but its version does not read";
}

std::string WatchFailedSuffix(int localError, Language language) {
    if (language == Language::Japanese) {
        return "、復帰を確かめられず（" + LocalErrorText(localError, language) + "）";
    }
    return ", its return could not be watched (" + LocalErrorText(localError, language) + ")";
}

}  // namespace tavro::texts
