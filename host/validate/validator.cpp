#include "host/validate/validator.h"

#include <cmath>
#include <cstdio>
#include <iomanip>
#include <sstream>

#include "host/validate/check_record.h"
#include "host/validate/checks.h"
#include "platform/process.h"

namespace vexlo::host::validate {

const std::vector<Check>& allChecks() {
    static const std::vector<Check> checks{
        {"identity.strings", identityStrings},
        {"identity.counts", identityCounts},
        {"identity.identify", identityIdentify},
        {"identity.canDo", identityCanDo},
        {"lifecycle.openClose", lifecycleOpenClose},
        {"lifecycle.instances", lifecycleInstances},
        {"lifecycle.suspendResume", lifecycleSuspendResume},
        {"lifecycle.ratesAndBlocks", lifecycleRatesAndBlocks},
        {"parameters.strings", parameterStrings},
        {"parameters.values", parameterValues},
        {"parameters.automation", parameterAutomation},
        {"programs.names", programNames},
        {"state.roundTrip", stateRoundTrip},
        {"state.renders", stateRenders},
        {"state.badChunks", stateBadChunks},
        {"events.storms", eventStorms},
        {"events.noHungNotes", eventNoHungNotes},
        {"audio.silence", audioSilence},
        {"audio.allocations", audioAllocations},
        {"timing.blocks", timingBlocks},
        {"editor.rect", editorRect},
        {"editor.openClose", editorOpenClose},
        {"editor.whileProcessing", editorWhileProcessing},
        {"audio.finite", audioFinite, true},
        {"audio.guardZones", audioGuardZones, true},
    };
    return checks;
}

namespace {

// The first instance: whether the library loads at all, and what kind of plug-in it holds.
bool survey(Subject& subject, CheckResult* load) {
    std::string error;
    auto plugin = subject.instance(&error);
    if (!plugin) {
        load->name = "load";
        load->fail(error);
        return false;
    }
    subject.setMidiEffect(plugin->canDo(canDoWords::sendVstMidiEvent) == 1 ||
                          plugin->canDo(canDoWords::sendVstEvents) == 1);
    return true;
}

void merge(AudioWatch& into, const AudioWatch& from) {
    if (into.nonFinite == 0) into.firstNonFinite = from.firstNonFinite;
    if (into.guardWrites == 0) into.firstGuardWrite = from.firstGuardWrite;
    into.blocks += from.blocks;
    into.nonFinite += from.nonFinite;
    into.guardWrites += from.guardWrites;
}

CheckResult runInChild(const Options& options, const Check& check, AudioWatch& watch) {
    auto arguments = options.childArguments;
    arguments.insert(arguments.end(), {"--only", check.name});
    const auto child = platform::runProcess(options.isolateWith, arguments, options.checkTimeLimitMs);
    CheckResult result;
    AudioWatch seen;
    if (child.end == platform::ProcessRun::End::exited && decodeRecord(child.output, &result, &seen)) {
        merge(watch, seen);
        // A sanitizer that reported on the way changes the exit status only.
        if (child.exitCode != 0)
            result.fail("its process ended with status " + std::to_string(child.exitCode) +
                        " after the check (a sanitizer's report? --in-process shows it)");
        return result;
    }
    result.name = check.name;
    switch (child.end) {
    case platform::ProcessRun::End::crashed: result.fail("the plug-in crashed its host during this check"); break;
    case platform::ProcessRun::End::timedOut:
        result.fail("did not end within " + std::to_string(options.checkTimeLimitMs / 1000) + " s");
        break;
    case platform::ProcessRun::End::notStarted: result.fail("could not start " + options.isolateWith); break;
    case platform::ProcessRun::End::exited:
        result.fail("the plug-in ended its host during this check (exit status " + std::to_string(child.exitCode) + ")");
        break;
    }
    return result;
}

// A message box a plug-in shows would wait for a person who is not there: it is answered and
// counted.
void runHere(const Check& check, Subject& subject, CheckResult& result) {
    platform::MessageBoxAnswerer answerer;
    check.run(subject, result);
    if (answerer.answered() > 0) result.figure("message boxes answered", answerer.answered());
}

}  // namespace

std::vector<CheckResult> run(const Options& options, const Progress& progress) {
    AudioWatch watch;
    Subject subject(options, watch);
    CheckResult load;
    if (!survey(subject, &load)) {
        if (progress.ended) progress.ended(load);
        return {load};
    }
    std::vector<CheckResult> results;
    for (const Check& check : allChecks()) {
        if (progress.started) progress.started(check.name);
        watch.check = check.name;
        CheckResult result;
        if (!options.isolateWith.empty() && !check.summary) {
            result = runInChild(options, check, watch);
        } else {
            result.name = check.name;
            runHere(check, subject, result);
        }
        if (progress.ended) progress.ended(result);
        results.push_back(std::move(result));
    }
    return results;
}

int runOnly(const Options& options, const std::string& name, std::ostream& out) {
    AudioWatch watch;
    Subject subject(options, watch);
    CheckResult result;
    if (survey(subject, &result)) {
        const Check* found = nullptr;
        for (const Check& check : allChecks())
            if (name == check.name) found = &check;
        if (!found) return 2;
        watch.check = name;
        result.name = name;
        runHere(*found, subject, result);
    }
    out << encodeRecord(result, watch);
    out.flush();
    return 0;
}

bool allPassed(const std::vector<CheckResult>& results) {
    for (const auto& result : results)
        if (result.status == Status::fail) return false;
    return true;
}

namespace {

const char* statusWord(Status status) {
    switch (status) {
    case Status::pass: return "PASS";
    case Status::fail: return "FAIL";
    case Status::skip: return "SKIP";
    }
    return "?";
}

std::string jsonText(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            // Plug-ins' texts are not always UTF-8; every other byte is written as a code point.
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace

void writeCheck(const CheckResult& result, std::ostream& out) {
    out << statusWord(result.status) << "  " << result.name;
    if (!result.reason.empty()) out << ": " << result.reason;
    out << "\n";
    for (const auto& figure : result.figures) out << "        " << figure.name << ": " << figure.value << "\n";
}

void writeSummary(const std::vector<CheckResult>& results, std::ostream& out) {
    int counts[3] = {};
    for (const auto& result : results) ++counts[static_cast<int>(result.status)];
    out << counts[0] << " passed, " << counts[1] << " failed, " << counts[2] << " skipped\n";
}

void writeText(const std::vector<CheckResult>& results, std::ostream& out) {
    for (const auto& result : results) writeCheck(result, out);
    writeSummary(results, out);
}

void writeJson(const std::string& plugin, const std::vector<CheckResult>& results, std::ostream& out) {
    out << "{\n  \"plugin\": " << jsonText(plugin) << ",\n  \"passed\": " << (allPassed(results) ? "true" : "false")
        << ",\n  \"checks\": [";
    for (std::size_t i = 0; i < results.size(); ++i) {
        const auto& result = results[i];
        out << (i ? "," : "") << "\n    {\"name\": " << jsonText(result.name) << ", \"status\": \""
            << statusWord(result.status) << "\", \"reason\": " << jsonText(result.reason) << ", \"figures\": {";
        for (std::size_t f = 0; f < result.figures.size(); ++f)
            out << (f ? ", " : "") << jsonText(result.figures[f].name) << ": " << jsonText(result.figures[f].value);
        out << "}}";
    }
    out << "\n  ]\n}\n";
}

}  // namespace vexlo::host::validate
