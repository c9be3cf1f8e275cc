// Helpers shared by the tests: where the built plug-ins are, and temporary folders.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/host.h"

namespace vexlo::test {

// The path of a plug-in built beside the test program, e.g. pluginPath("test-synth").
std::string pluginPath(const std::string& name);

// Loads a plug-in built beside the test program; fails the calling test when it cannot.
std::unique_ptr<host::Plugin> loadPlugin(const std::string& name, host::HostContext& context);

// A fresh folder that is removed again with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

bool writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

// The largest magnitude among samples[from, to).
float peakBetween(const std::vector<float>& samples, std::size_t from, std::size_t to);

}  // namespace vexlo::test
