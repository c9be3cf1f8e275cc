// vexlo-host's MIDI file reader on whatever bytes the fuzzer makes: it stays inside them, and
// every event it reads is a channel message at a time that is finite, not negative and in order
// once sorted.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/midi_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<unsigned char> block(data, data + size);  // an exact copy: a read past it is reported
    std::vector<vexlo::host::TimedMidi> events;
    std::string error;
    if (!vexlo::host::parseMidiFile(block.data(), block.size(), 120.0, &events, &error)) {
        if (error.empty()) std::abort();  // a refusal says why
        return 0;
    }
    vexlo::host::sortEvents(events);
    double last = 0.0;
    for (const auto& event : events) {
        if (!std::isfinite(event.seconds) || event.seconds < last) std::abort();
        if (event.bytes[0] < 0x80 || event.bytes[0] >= 0xF0) std::abort();
        last = event.seconds;
    }
    return 0;
}
