#include "manager/core/plugin_scan.h"

#include "hosting/probe.h"
#include "manager/library/scan_database.h"

namespace vexlo::manager {

PluginScan::~PluginScan() {
    stop();
    wait();
}

bool PluginScan::start(const std::string& folder, const std::string& database, bool onlyNew) {
    if (running_.exchange(true)) return false;
    if (thread_.joinable()) thread_.join();  // the one before, ended
    stop_ = false;
    thread_ = std::thread([this, folder, database, onlyNew] {
        library::ScanOptions options;
        options.probesAtOnce = hosting::probesAtOnce();
        options.stop = &stop_;
        const library::ScanSummary summary = library::ScanDatabase(database).scan(
            folder, onlyNew, hosting::probeLibrary, [this](const library::ScanStep& step) { tell(step); }, options);
        {
            std::lock_guard<std::mutex> hold(lock_);
            summary_ = summary;
        }
        running_ = false;
    });
    return true;
}

void PluginScan::wait() {
    if (thread_.joinable()) thread_.join();
}

void PluginScan::setObserver(ManagerObserver* observer) {
    std::lock_guard<std::mutex> hold(lock_);
    observer_ = observer;
}

library::ScanSummary PluginScan::lastSummary() const {
    std::lock_guard<std::mutex> hold(lock_);
    return summary_;
}

void PluginScan::tell(const library::ScanStep& step) {
    std::lock_guard<std::mutex> hold(lock_);
    if (observer_) observer_->scanProgress(step);
}

}  // namespace vexlo::manager
