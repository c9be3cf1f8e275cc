// The preset-link codec on bytes alone.
#include <gtest/gtest.h>

#include "manager/files/preset_link.h"

using namespace vexlo::files;

TEST(PresetLinks, TwoOrThreeLinesTheLastWithoutALineEnd) {
    EXPECT_EQ(encodePresetLink({"Bass.fxp", 1145988459, std::nullopt}), "Bass.fxp\n1145988459");
    EXPECT_EQ(encodePresetLink({"Pads.fxb", -5, 5}), "Pads.fxb\n-5\n5");
    auto read = [](const std::string& text) {
        return decodePresetLink(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    };
    for (const std::string& text : {std::string("Bass.fxp\n42"), std::string("Bass.fxp\r\n42"), std::string("Bass.fxp\n42\n")}) {
        auto link = read(text);
        ASSERT_TRUE(link) << text;
        EXPECT_EQ(link.value->target, "Bass.fxp");
        EXPECT_EQ(link.value->pluginId, 42);
        EXPECT_FALSE(link.value->program);
    }
    auto bank = read("Sounds/Pads.fxb\r\n42\r\n5");
    ASSERT_TRUE(bank);
    EXPECT_EQ(bank.value->target, "Sounds/Pads.fxb");
    EXPECT_EQ(bank.value->program, 5);
    // A link without its second line, with words for numbers, with too many lines or with a
    // line longer than any path is no link.
    for (const std::string& text : {std::string(""), std::string("Bass.fxp"), std::string("Bass.fxp\n"),
                                    std::string("Bass.fxp\nabc"), std::string("Bass.fxp\n42\nfive"),
                                    std::string("a\n1\n2\n3"), std::string("\n42"), std::string("Bass.fxp\n42\n-1"),
                                    std::string(2000, 'a') + "\n42", std::string("Bass.fxp\n99999999999"),
                                    std::string("Pads.fb\r\r\n5")})
        EXPECT_FALSE(read(text)) << text.substr(0, 40);
}
