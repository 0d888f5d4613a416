// tavro-sim: simulated TAVRO devices for tests and demos, run inside a network namespace.

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <thread>
#include <vector>

#include "sim/device_settings.h"
#include "sim/event_log.h"
#include "sim/probe_listener.h"
#include "sim/sim_help.h"
#include "sim/simulated_device.h"
#include "sim/stop_wait.h"
#include "version.h"

namespace {

using tavro::sim::DeviceSettings;

struct Options {
    std::vector<std::string> devices;
    std::string password;
    std::string storeDirectory;
    std::string eventsPath;
    bool verbose = false;
    bool stopOnEof = false;
};

bool ParseDevices(const Options& options, std::vector<DeviceSettings>& settingsList) {
    for (const std::string& text : options.devices) {
        std::string why;
        auto settings = tavro::sim::ParseDeviceSettings(text, why);
        if (!settings) {
            std::cerr << "tavro-sim: --device " << text << ": " << why << "\n";
            return false;
        }
        if (!settings->password && !options.password.empty()) settings->password = options.password;
        if (settings->storeDirectory.empty()) settings->storeDirectory = options.storeDirectory;
        settingsList.push_back(std::move(*settings));
    }
    return true;
}

int Run(const Options& options) {
    std::vector<DeviceSettings> settingsList;
    if (!ParseDevices(options, settingsList)) return 2;
    tavro::sim::EventLog events;
    if (!events.Open(options.eventsPath, options.verbose)) {
        std::cerr << "tavro-sim: cannot open the events file " << options.eventsPath << "\n";
        return 1;
    }
    tavro::sim::HoldStopRequests();

    std::vector<std::unique_ptr<tavro::sim::SimulatedDevice>> devices;
    for (DeviceSettings& settings : settingsList) {
        devices.push_back(
            std::make_unique<tavro::sim::SimulatedDevice>(std::move(settings), events));
        std::string why;
        if (!devices.back()->Bind(why)) {
            std::cerr << "tavro-sim: " << why << "\n";
            return 1;
        }
    }
    tavro::sim::ProbeListener listener(devices, events);
    if (const int error = listener.Bind(); error != 0) {
        std::cerr << "tavro-sim: cannot bind UDP 0.0.0.0:30718 (error " << error << ")\n";
        return 1;
    }
    for (auto& device : devices) device->Start();
    std::jthread listening([&listener](std::stop_token stop) { listener.Run(stop); });

    std::cout << "ready" << std::endl;
    tavro::sim::WaitForStop(options.stopOnEof);
    return 0;  // the listener stops first, then every device, as the objects go
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Simulated TAVRO devices for tests and demos", "tavro-sim"};
    app.allow_windows_style_options(false);  // a path such as /tmp/store is no option
    app.footer(tavro::sim::kDeviceHelp);
    app.set_version_flag("--version", std::string("tavro-sim ") + tavro::kVersionText);
    Options options;
    app.add_option("--device", options.devices,
                   "One simulated device: ADDR[,key=value...] (repeat for more)")
        ->type_name("DEVICE")
        ->required()
        ->take_all()
        ->allow_extra_args(false);
    app.add_option("--password", options.password,
                   "Password of every device that names none of its own")
        ->type_name("TEXT");
    app.add_option("--store", options.storeDirectory,
                   "Store directory of every device that names none of its own")
        ->type_name("DIR");
    app.add_option("--events", options.eventsPath, "Append one line per event to FILE")
        ->type_name("FILE");
    app.add_flag("-v,--verbose", options.verbose, "Also write the events to stderr");
    app.add_flag("--stop-on-eof", options.stopOnEof,
                 "Also end when stdin reaches its end (the starting process went away)");
    CLI11_PARSE(app, argc, argv);
    return Run(options);
}
