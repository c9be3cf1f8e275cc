#include "host/validate/check_record.h"

#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <sstream>

namespace vexlo::host::validate {

void CheckResult::fail(const std::string& why) {
    if (status == Status::fail) return;
    status = Status::fail;
    reason = why;
}

void CheckResult::skip(const std::string& why) {
    if (status != Status::pass) return;
    status = Status::skip;
    reason = why;
}

void CheckResult::figure(const std::string& figureName, double value) {
    std::ostringstream text;
    if (value == std::floor(value) && std::fabs(value) < 1e15) text << static_cast<long long>(value);
    else text << std::setprecision(4) << value;
    figures.push_back({figureName, text.str()});
}

namespace {

constexpr const char* kBegin = "vexlo-validate-record";
constexpr const char* kEnd = "vexlo-validate-end";

// Plug-ins' texts may hold anything; a record's line holds no line break.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    return text;
}

}  // namespace

std::string encodeRecord(const CheckResult& result, const AudioWatch& watch) {
    std::ostringstream out;
    out << kBegin << "\n"
        << "name\t" << oneLine(result.name) << "\n"
        << "status\t" << static_cast<int>(result.status) << "\n"
        << "reason\t" << oneLine(result.reason) << "\n";
    for (const auto& figure : result.figures) out << "figure\t" << oneLine(figure.name) << "\t" << oneLine(figure.value) << "\n";
    out << "watch\t" << watch.blocks << "\t" << watch.nonFinite << "\t" << watch.guardWrites << "\n"
        << "nonFinite\t" << oneLine(watch.firstNonFinite) << "\n"
        << "guard\t" << oneLine(watch.firstGuardWrite) << "\n"
        << kEnd << "\n";
    return out.str();
}

bool decodeRecord(const std::string& text, CheckResult* result, AudioWatch* watch) {
    std::istringstream in(text);
    std::string line;
    bool begun = false;
    CheckResult read;
    AudioWatch seen;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();  // Windows' text-mode output
        if (line == kBegin) {
            begun = true;
            read = CheckResult();
            seen = AudioWatch();
            continue;
        }
        if (!begun) continue;  // whatever the plug-in printed before
        if (line == kEnd) {
            *result = read;
            *watch = seen;
            return true;
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        const std::string key = line.substr(0, tab), value = line.substr(tab + 1);
        if (key == "name") {
            read.name = value;
        } else if (key == "status") {
            const int status = std::atoi(value.c_str());
            if (status < 0 || status > 2) return false;
            read.status = static_cast<Status>(status);
        } else if (key == "reason") {
            read.reason = value;
        } else if (key == "figure") {
            const std::size_t split = value.find('\t');
            if (split != std::string::npos) read.figures.push_back({value.substr(0, split), value.substr(split + 1)});
        } else if (key == "watch") {
            std::istringstream numbers(value);
            numbers >> seen.blocks >> seen.nonFinite >> seen.guardWrites;
        } else if (key == "nonFinite") {
            seen.firstNonFinite = value;
        } else if (key == "guard") {
            seen.firstGuardWrite = value;
        }
    }
    return false;
}

}  // namespace vexlo::host::validate
