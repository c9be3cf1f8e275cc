// A plug-in library loaded and started by our offline host, for the tests that talk to one
// plug-in directly.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/host.h"

namespace vexlo::test {

struct LoadedPlugin {
    explicit LoadedPlugin(const std::string& path) : context(44100.0, 256, 120.0) {
        std::string error;
        plugin = host::Plugin::load(path, context, &error);
        EXPECT_TRUE(plugin) << error;
        if (plugin) plugin->start();
    }
    hosting::HostedChild& child() { return plugin->child(); }

    host::HostContext context;
    std::unique_ptr<host::Plugin> plugin;
};

}  // namespace vexlo::test
