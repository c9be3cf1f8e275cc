// Vexlo VM's state as the host keeps it: captured from the children into a ManagerState and
// encoded, or decoded whole and then applied. A state that does not decode changes nothing.
#include <algorithm>
#include <cstring>
#include <set>

#include "manager/core/vst_manager.h"
#include "manager/library/path_utils.h"

namespace vexlo::manager {

using files::ManagerState;
using files::StoredChild;

// ---- Writing ----

StoredChild VstManager::captureInstrument() {
    StoredChild stored;
    stored.id = instrument_.uniqueId();
    if (instrument_.hasFlag(effFlagsProgramChunks)) {
        stored.kind = files::kStateChunk;
        const HostedChild::Bytes bytes = instrument_.getChunk();
        stored.state.assign(bytes.data, bytes.data + bytes.size);
    } else {
        stored.kind = files::kStateParamDump;
        stored.state = captureParameterDump();
    }
    return stored;
}

std::vector<unsigned char> VstManager::captureParameterDump() {
    // Every program in turn: its parameter values and its name.
    files::ByteWriter dump(files::ByteOrder::little);
    const int params = instrument_.numParams();
    for (VstInt32 p = 0; p < instrument_.numPrograms(); ++p) {
        instrument_.setProgram(p);
        for (VstInt32 j = 0; j < params; ++j) dump.float32(instrument_.getParameter(j));
        const std::string name = instrument_.programName().substr(0, kVstMaxProgNameLen);
        dump.field(name, ManagerState::kProgramNameField);
    }
    forwardProgram(curProgram);
    return dump.take();
}

ManagerState VstManager::captureState() {
    ManagerState state;
    for (int i = 0; i < kOwnParameters; ++i) state.ownParameters[static_cast<std::size_t>(i)] = ownParameters_[i];
    state.program = curProgram;
    if (missingInstrument_.id != -1) state.instrument = missingInstrument_;
    else if (instrument_.isLoaded()) state.instrument = captureInstrument();
    for (int s = 0; s < kMidiSlots; ++s) {
        StoredChild& stored = state.midiSlots[static_cast<std::size_t>(s)];
        HostedChild& slot = midiSlots_[static_cast<std::size_t>(s)];
        if (missingMidiSlots_[static_cast<std::size_t>(s)].id != -1) {
            stored = missingMidiSlots_[static_cast<std::size_t>(s)];
        } else if (slot.isLoaded()) {
            stored.id = slot.uniqueId();
            stored.kind = files::kStateChunk;
            const HostedChild::Bytes bytes = slot.getChunk();
            stored.state.assign(bytes.data, bytes.data + bytes.size);
        }
    }
    return state;
}

VstInt32 VstManager::getChunk(void** data, bool) {
    {
        GatePass pass(gate, GatePass::waitForChange);
        std::lock_guard<std::mutex> lock(stateMutex_);
        // While a change runs, the host gets the last state known whole, never one that lacks
        // a child the change has not put back yet.
        if (pass) lastCompleteState_ = files::encodeManagerState(captureState());
        chunkBuffer_ = lastCompleteState_;
    }
    *data = chunkBuffer_.data();
    return static_cast<VstInt32>(chunkBuffer_.size());
}

void VstManager::rememberState() {
    GatePass pass(gate, GatePass::waitForChange);
    if (!pass) return;
    std::lock_guard<std::mutex> lock(stateMutex_);
    lastCompleteState_ = files::encodeManagerState(captureState());
}

// ---- Reading ----

void VstManager::applyParameterDump(const std::vector<unsigned char>& body, bool flatList) {
    const int programs = instrument_.numPrograms(), params = instrument_.numParams();
    files::ByteReader read(body.data(), body.size(), files::ByteOrder::little);
    if (flatList) {
        // The oldest layout: one value per parameter, as many as the block holds whole.
        float value;
        for (VstInt32 j = 0; j < params && read.float32(value); ++j) instrument_.restoreParameter(j, value);
        return;
    }
    const std::size_t record = 4 * static_cast<std::size_t>(params) + ManagerState::kProgramNameField;
    for (VstInt32 p = 0; p < programs && read.remaining() >= record; ++p) {
        instrument_.setProgram(p);
        float value;
        for (VstInt32 j = 0; j < params && read.float32(value); ++j) instrument_.restoreParameter(j, value);
        std::string name;
        read.field(ManagerState::kProgramNameField, name);
        instrument_.setProgramName(name);
    }
}

void VstManager::applyInstrumentState(const StoredChild& stored, bool flatList) {
    const float rate = instrumentRate(oversampler_.factor());
    if (stored.kind == files::kStateChunk && !stored.state.empty()) {
        instrument_.restoreChunk(stored.state, rate);
    } else if (stored.kind == files::kStateParamDump) {
        instrument_.suspend();
        applyParameterDump(stored.state, flatList);
        instrument_.setSampleRate(rate);
        instrument_.resume();
    } else {
        return;
    }
    // The state brought its own sound: telling the instrument its program again would replace
    // that sound with the bank's copy of the program.
    const VstInt32 wanted = std::max(0, std::min(curProgram, instrument_.numPrograms() - 1));
    if (instrument_.program() != wanted) forwardProgram(curProgram);
    else curProgram = wanted;
    updateDisplay();
}

namespace {

// What a restore does with one child position, decided before the gate is taken.
struct Plan {
    enum Action { keep, install, remove, missing } action = keep;
    HostedChild child;
    std::string path;
};

}  // namespace

bool VstManager::restoreState(const ManagerState& state, std::vector<LoadMessage>& messages) {
    // Each ID or library that cannot be had is told once.
    std::set<VstInt32> told;
    auto tell = [&](VstInt32 id, LoadMessage message) {
        if (told.insert(id).second) messages.push_back(std::move(message));
    };
    const int factor = oversamplerBypassed() ? 1 : factorFor(state.ownParameters[0], oversamplingFactor_.load());

    // The children, loaded and opened while processing goes on.
    auto prepareFrom = [&](Plan& plan, const std::string& path, VstInt32 id, bool instrument) {
        LoadMessage refusal;
        const bool ok = instrument ? prepareInstrument(path, factor, plan.child, refusal)
                                   : prepareMidiEffect(path, plan.child, refusal);
        plan.action = ok ? Plan::install : Plan::missing;
        plan.path = path;
        if (!ok) tell(id, refusal);
    };
    auto prepare = [&](Plan& plan, VstInt32 id, bool instrument) {
        if (auto path = loader_.findInDatabase(id)) return prepareFrom(plan, *path, id, instrument);
        plan.action = Plan::missing;
        tell(id, {"Couldn't find the VST ID in the database", "!"});
    };
    Plan instrumentPlan;
    const VstInt32 instrumentId = state.instrument.id;
    if (state.version == 1) {
        // The oldest layout with a path names no ID: a library it cannot load is not kept.
        if (state.libraryPath.size() > 2) prepareFrom(instrumentPlan, state.libraryPath, -1, true);
    } else if (state.version >= 2 && instrumentId != -1 &&
               (!instrument_.isLoaded() || instrument_.uniqueId() != instrumentId)) {
        prepare(instrumentPlan, instrumentId, true);
    }
    std::array<Plan, kMidiSlots> slotPlans;
    if (state.hasMidiSlots) {
        for (int s = 0; s < kMidiSlots; ++s) {
            const VstInt32 id = state.midiSlots[static_cast<std::size_t>(s)].id;
            if (id == -1) slotPlans[static_cast<std::size_t>(s)].action = Plan::remove;
            else prepare(slotPlans[static_cast<std::size_t>(s)], id, false);
        }
    }

    GateHold hold(gate, GateHold::wait);
    if (!hold) return false;
    // An instrument about to be replaced is not restarted for the saved factor first.
    if (instrumentPlan.action == Plan::install) unloadInstrument();
    // Our own parameters come back through the setter, so that a saved factor is in force
    // before the instrument plays.
    for (int i = 0; i < kOwnParameters; ++i) setOwnParameter(i, state.ownParameters[static_cast<std::size_t>(i)]);
    if (state.program) curProgram = *state.program;

    // The stored state belongs to the instrument it names; the oldest layouts name none and
    // give theirs to whatever is loaded.
    bool stateApplies = true;
    switch (instrumentPlan.action) {
    case Plan::install: {
        const VstInt32 id = instrumentPlan.child.uniqueId();
        installInstrument(std::move(instrumentPlan.child), instrumentPlan.path);
        loader_.recordInDatabase(id, instrumentPlan.path);
        break;
    }
    case Plan::missing:
        if (state.version >= 2) missingInstrument_ = state.instrument;
        stateApplies = false;
        break;
    default:
        if (state.version == 1) stateApplies = state.libraryPath.size() <= 2;
        if (state.version >= 2) missingInstrument_ = {};
        break;
    }
    if (stateApplies && instrument_.isLoaded() && state.instrument.hasState())
        applyInstrumentState(state.instrument, state.flatParameterList());

    for (int s = 0; s < kMidiSlots; ++s) {
        const auto i = static_cast<std::size_t>(s);
        Plan& plan = slotPlans[i];
        const StoredChild& stored = state.midiSlots[i];
        switch (plan.action) {
        case Plan::install: {
            const VstInt32 id = plan.child.uniqueId();
            installMidiEffect(s, std::move(plan.child), plan.path);
            loader_.recordInDatabase(id, plan.path);
            if (stored.kind == files::kStateChunk && !stored.state.empty())
                midiSlots_[i].restoreChunk(stored.state, sampleRate);
            break;
        }
        case Plan::remove:
            removeMidiEffect(s);
            missingMidiSlots_[i] = {};
            break;
        case Plan::missing: missingMidiSlots_[i] = stored; break;
        default: break;
        }
    }
    return true;
}

VstInt32 VstManager::setChunk(void* data, VstInt32 byteSize, bool) {
    if (!data || byteSize <= 0) return 0;
    auto decoded = files::decodeManagerState(static_cast<const unsigned char*>(data), static_cast<std::size_t>(byteSize));
    if (!decoded) return 0;
    if (observer_) observer_->statusChanged("Loading...");
    std::vector<LoadMessage> messages;
    const bool restored = restoreState(*decoded.value, messages);
    // Messages wait until the gate is free again: a box open for minutes must not keep the
    // host's audio silent.
    for (const LoadMessage& message : messages) message.show();
    if (observer_) {
        GatePass pass(gate, GatePass::waitForChange);
        if (pass && instrument_.isLoaded())
            observer_->statusChanged("VST: " + library::baseName(instrumentPath_) + " - " +
                                     instrument_.programName().substr(0, kVstMaxProgNameLen));
        else
            observer_->statusChanged("");
    }
    if (!restored) return 0;
    rememberState();
    return 1;
}

}  // namespace vexlo::manager
