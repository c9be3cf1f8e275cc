// The arpeggiator's and the key switch's setChunk on whatever bytes the fuzzer makes (each reads
// only its own layout): they stay inside them, and a state one takes comes back in a chunk it
// takes again and gives back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "arp/arp_effect.h"
#include "keyswitch/keyswitch_effect.h"

namespace {

VstIntPtr VEXLO_CDECL quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::vector<std::uint8_t> chunkOf(AudioEffectX& effect, bool isPreset) {
    void* data = nullptr;
    const VstInt32 size = effect.getChunk(&data, isPreset);
    if (size < 0 || (size > 0 && !data)) std::abort();
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

void roundTrip(AudioEffectX& effect, const std::uint8_t* data, std::size_t size) {
    const bool isPreset = size > 0 && (data[0] & 1);
    std::vector<std::uint8_t> block(data, data + size);  // an exact copy: a read past it is reported
    effect.setChunk(block.empty() ? nullptr : block.data(), static_cast<VstInt32>(block.size()), isPreset);
    std::vector<std::uint8_t> saved = chunkOf(effect, isPreset);
    if (saved.empty()) return;
    if (effect.setChunk(saved.data(), static_cast<VstInt32>(saved.size()), isPreset) == 0) std::abort();
    if (chunkOf(effect, isPreset) != saved) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto* arp = new vexlo::arp::ArpEffect(quietHost);
    static auto* keySwitch = new vexlo::keyswitch::KeySwitchEffect(quietHost);
    roundTrip(*arp, data, size);
    roundTrip(*keySwitch, data, size);
    return 0;
}
