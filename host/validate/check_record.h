// One check's result as a child process hands it to the validator that started it: a few
// lines of text on its standard output.
#pragma once

#include <string>

#include "host/validate/subject.h"
#include "host/validate/validator.h"

namespace vexlo::host::validate {

std::string encodeRecord(const CheckResult& result, const AudioWatch& watch);
// False when the text holds no complete record (the child ended before it wrote one).
bool decodeRecord(const std::string& text, CheckResult* result, AudioWatch* watch);

}  // namespace vexlo::host::validate
