// What a validating child hands back: its check's result and what its blocks showed, found in
// whatever else the plug-in printed, and nothing made up when the child ended before its end.
#include <gtest/gtest.h>

#include "host/validate/check_record.h"

using namespace vexlo::host::validate;

namespace {

CheckResult failedResult() {
    CheckResult result;
    result.name = "parameters.strings";
    result.fail("parameter 3 name: no terminator\nwithin 8\tcharacters");
    result.figure("parameters", 41);
    result.figure("odd\tname", "a value\r\nover lines");
    return result;
}

}  // namespace

TEST(CheckRecord, ComesBackWholeThroughPluginChatterAndWindowsLineEnds) {
    AudioWatch watch;
    watch.blocks = 1234;
    watch.nonFinite = 2;
    watch.firstNonFinite = "NaN in output 0";
    watch.guardWrites = 1;
    watch.firstGuardWrite = "output 1 past its last frame";
    std::string text = "lo server running on 19136\n" + encodeRecord(failedResult(), watch) + "a plug-in's goodbye\n";
    std::string windows;
    for (char c : text) windows += c == '\n' ? std::string("\r\n") : std::string(1, c);

    for (const std::string& output : {text, windows}) {
        CheckResult result;
        AudioWatch seen;
        ASSERT_TRUE(decodeRecord(output, &result, &seen));
        EXPECT_EQ(result.name, "parameters.strings");
        EXPECT_EQ(result.status, Status::fail);
        EXPECT_EQ(result.reason, "parameter 3 name: no terminator within 8 characters");
        ASSERT_EQ(result.figures.size(), 2u);
        EXPECT_EQ(result.figures[0].value, "41");
        EXPECT_EQ(result.figures[1].name, "odd name");
        EXPECT_EQ(result.figures[1].value, "a value  over lines");
        EXPECT_EQ(seen.blocks, 1234);
        EXPECT_EQ(seen.nonFinite, 2);
        EXPECT_EQ(seen.guardWrites, 1);
        EXPECT_EQ(seen.firstGuardWrite, "output 1 past its last frame");
    }
}

TEST(CheckRecord, AChildThatEndedMidRecordOrPrintedNoneGivesNoResult) {
    const std::string whole = encodeRecord(failedResult(), AudioWatch());
    CheckResult result;
    AudioWatch seen;
    for (std::size_t cut = 0; cut + 1 < whole.size(); cut += 7)
        EXPECT_FALSE(decodeRecord(whole.substr(0, cut), &result, &seen)) << cut;
    EXPECT_FALSE(decodeRecord("", &result, &seen));
    EXPECT_FALSE(decodeRecord("vexlo-validate-record\nstatus\t7\nvexlo-validate-end\n", &result, &seen));
}
