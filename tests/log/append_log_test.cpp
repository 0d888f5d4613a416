#include "log/append_log.h"

#include <gtest/gtest.h>

#include <string>

namespace tavro {
namespace {

struct TextSink : LogSink {
    std::string text;
    int appends = 0;
    void AppendText(std::string_view piece) override {
        text += piece;
        ++appends;
    }
};

TEST(AppendLog, FragmentsJoinIntoOneLine) {
    TextSink sink;
    AppendLog(sink, "socket :");
    AppendLog(sink, "ok\r\n");
    EXPECT_EQ(sink.text, "socket :ok\r\n");
}

TEST(AppendLog, FormatsWithPrintfRules) {
    TextSink sink;
    AppendLog(sink, "ERROR: %d\r\n", 10060);
    AppendLog(sink, "bind \"%s\":", "198.18.0.1");
    EXPECT_EQ(sink.text, "ERROR: 10060\r\nbind \"198.18.0.1\":");
}

TEST(AppendLog, LongTextIsCutAt255Characters) {
    TextSink sink;
    const std::string longText(300, 'x');
    AppendLog(sink, "%s", longText.c_str());
    EXPECT_EQ(sink.text, std::string(255, 'x'));
}

TEST(AppendLog, EmptyFormatAppendsNothingVisible) {
    TextSink sink;
    AppendLog(sink, "%s", "");
    EXPECT_EQ(sink.text, "");
}

}  // namespace
}  // namespace tavro
