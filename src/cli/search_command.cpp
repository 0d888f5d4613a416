#include <cstdio>
#include <memory>
#include <ostream>

#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/json_text.h"
#include "cli/local_interfaces.h"
#include "cli/terminal_text.h"
#include "discovery/device_table.h"
#include "texts/search_texts.h"

namespace tavro::cli {
namespace {

std::string HardwareAddress(const discovery::DeviceRecord& row) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", row.macAddress[0],
                  row.macAddress[1], row.macAddress[2], row.macAddress[3], row.macAddress[4],
                  row.macAddress[5]);
    return text;
}

void WriteJson(const discovery::DeviceTable& table, int count, std::ostream& out) {
    out << "[";
    for (int i = 0; i < count; ++i) {
        const discovery::DeviceRecord& row = table.rows[i];
        char shown[32];
        std::snprintf(shown, sizeof shown, "%1.2f", discovery::ShownVersion(row.sketchVersion));
        out << (i ? ",\n " : "\n ") << "{\"address\":" << JsonString(row.addressText)
            << ",\"hardwareAddress\":" << JsonString(HardwareAddress(row))
            << ",\"sketchVersion\":" << row.sketchVersion << ",\"textVersion\":" << row.textVersion
            << ",\"shownVersion\":" << shown << "}";
    }
    out << (count ? "\n]\n" : "]\n");
}

}  // namespace

int RunSearchCommand(const CliServices& services, const std::string& interfaceAddress, bool json,
                     std::ostream& out, std::ostream& err) {
    const std::optional<net::Ipv4Address> local =
        ChooseLocalAddress(services, interfaceAddress, err);
    if (!local) return kExitFailure;

    auto table = std::make_unique<discovery::DeviceTable>();
    services.job->BeginSearch(local->ToString());
    const discovery::SearchOutcome outcome = services.discoverDevices(*table, *local);
    services.job->Finish();  // a stop signal from here on no longer cuts the list short
    const int found = outcome.count;
    if (found < 0) {
        err << "tavro-writer-cli: the search from " << local->ToString() << " failed\n";
        return kExitFailure;
    }
    const int listed = std::min(found, discovery::DeviceTable::kCapacity);
    const texts::Language language = texts::LanguageFromEnvironment(services.environment);
    if (const std::string notice = texts::SearchNoticeText(outcome, language); !notice.empty()) {
        err << "tavro-writer-cli: " << notice << "\n";
    }
    if (json) {
        WriteJson(*table, listed, out);
        return kExitOk;
    }
    for (int i = 0; i < listed; ++i)
        out << TerminalText(discovery::DeviceLine(table->rows[i])) << "\n";
    return kExitOk;
}

}  // namespace tavro::cli
