#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace vexlo::test {

std::string pluginPath(const std::string& name) {
    std::string own = platform::ownLibraryPath();
    std::size_t cut = own.find_last_of("/\\");
    return own.substr(0, cut + 1) + name + platform::pluginExtension();
}

std::unique_ptr<host::Plugin> loadPlugin(const std::string& name, host::HostContext& context) {
    std::string error;
    auto plugin = host::Plugin::load(pluginPath(name), context, &error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

TempFolder::TempFolder() {
    std::mt19937_64 random(static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::path base = fs::temp_directory_path() / ("vexlo-test-" + std::to_string(random()));
    fs::create_directories(base);
    path_ = base.string();
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempFolder::file(const std::string& name) const { return (fs::path(path_) / name).string(); }

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

float peakBetween(const std::vector<float>& samples, std::size_t from, std::size_t to) {
    float peak = 0.0f;
    for (std::size_t i = from; i < to && i < samples.size(); ++i) peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

}  // namespace vexlo::test
