// The scan of the plug-in folder on a thread of its own: the thread that asks for it (the
// editor's) goes on serving its windows while libraries are probed, and can stop it. What it
// tells goes to the observer under a lock that setObserver takes as well, so that an editor
// closing during a scan is told nothing after it went. The thread is stopped and joined before
// Vexlo VM goes.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "manager/core/manager_observer.h"
#include "manager/library/folder_scan.h"

namespace vexlo::manager {

class PluginScan {
public:
    PluginScan() = default;
    PluginScan(const PluginScan&) = delete;
    PluginScan& operator=(const PluginScan&) = delete;
    ~PluginScan();

    // Scans the folder into the database; false when a scan runs already.
    bool start(const std::string& folder, const std::string& database, bool onlyNew);
    // Ends the scan after the probes under way (what they found is kept).
    void stop() { stop_ = true; }
    bool running() const { return running_.load(); }
    // Returns when no scan runs.
    void wait();
    void setObserver(ManagerObserver* observer);
    // What the last scan that ended did.
    library::ScanSummary lastSummary() const;

private:
    void tell(const library::ScanStep& step);

    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    mutable std::mutex lock_;  // the observer and the summary
    ManagerObserver* observer_ = nullptr;
    library::ScanSummary summary_;
};

}  // namespace vexlo::manager
