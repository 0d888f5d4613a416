#include "texts/board_texts.h"

namespace tavro::texts {
namespace {

std::string Count(std::size_t value) { return std::to_string(value); }

std::string JapaneseTally(const BoardCounts& counts) {
    std::string text = "完了 " + Count(counts.done);
    if (counts.failed > 0) text += "（失敗 " + Count(counts.failed) + "）";
    text += "、書き込み中 " + Count(counts.writing);
    if (counts.comingBack > 0) text += "、復帰待ち " + Count(counts.comingBack);
    return text + "、待機中 " + Count(counts.waiting);
}

std::string EnglishTally(const BoardCounts& counts) {
    std::string text = Count(counts.done) + " done";
    if (counts.failed > 0) text += " (" + Count(counts.failed) + " failed)";
    text += ", " + Count(counts.writing) + " writing";
    if (counts.comingBack > 0) text += ", " + Count(counts.comingBack) + " coming back";
    return text + ", " + Count(counts.waiting) + " waiting";
}

}  // namespace

std::string BoardWaitingText(Language language) {
    return language == Language::Japanese ? "待機中" : "waiting";
}

std::string BoardTallyText(const BoardCounts& counts, Language language) {
    return language == Language::Japanese ? JapaneseTally(counts) : EnglishTally(counts);
}

}  // namespace tavro::texts
