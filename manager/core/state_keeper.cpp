#include "manager/core/state_keeper.h"

#include <algorithm>
#include <set>

#include "manager/library/path_utils.h"

namespace vexlo::manager {

using files::ManagerState;
using files::StoredChild;

// ---- Writing ----

ManagerState StateKeeper::capture() {
    ManagerState state;
    for (int i = 0; i < ManagerState::kOwnParameters; ++i)
        state.ownParameters[static_cast<std::size_t>(i)] = front_.ownParameter(i);
    state.program = front_.currentProgram();
    if (rack_.missingInstrument().id != -1) state.instrument = rack_.missingInstrument();
    else if (rack_.instrument().isLoaded()) state.instrument = rack_.captureInstrument();
    for (int s = 0; s < ChildRack::kMidiSlots; ++s) {
        StoredChild& stored = state.midiSlots[static_cast<std::size_t>(s)];
        HostedChild& slot = rack_.midiSlot(s);
        if (rack_.missingMidiSlot(s).id != -1) {
            stored = rack_.missingMidiSlot(s);
        } else if (slot.isLoaded()) {
            stored = rack_.captureMidiSlot(s);
        }
    }
    return state;
}

VstInt32 StateKeeper::getChunk(void** data) {
    {
        GatePass pass(gate_, GatePass::waitForChange);
        std::lock_guard<std::mutex> lock(stateMutex_);
        // While a change runs, the host gets the last state known whole, never one that lacks
        // a child the change has not put back yet.
        if (pass) lastCompleteState_ = files::encodeManagerState(capture());
        chunkBuffer_ = lastCompleteState_;
    }
    *data = chunkBuffer_.data();
    return static_cast<VstInt32>(chunkBuffer_.size());
}

void StateKeeper::remember() {
    GatePass pass(gate_, GatePass::waitForChange);
    if (!pass) return;
    std::lock_guard<std::mutex> lock(stateMutex_);
    lastCompleteState_ = files::encodeManagerState(capture());
}

// ---- Reading ----

void StateKeeper::applyInstrumentState(const StoredChild& stored, bool flatList) {
    HostedChild& instrument = rack_.instrument();
    const float rate = front_.instrumentRate(front_.appliedFactor());
    if (stored.kind == files::kStateChunk && !stored.state.empty()) {
        instrument.restoreChunk(stored.state, rate);
    } else if (stored.kind == files::kStateParamDump) {
        instrument.suspend();
        rack_.applyParameterDump(stored.state, flatList);
        instrument.setSampleRate(rate);
        instrument.resume();
    } else {
        return;
    }
    // The state brought its own sound: telling the instrument its program again would replace
    // that sound with the bank's copy of the program.
    const VstInt32 program = front_.currentProgram();
    const VstInt32 wanted = std::max(0, std::min(program, instrument.numPrograms() - 1));
    if (instrument.program() != wanted) front_.forwardProgram(program);
    else front_.setCurrentProgram(wanted);
    front_.displayChanged();
}

namespace {

// What a restore does with one child position, decided before the gate is taken.
struct Plan {
    enum Action { keep, install, remove, missing } action = keep;
    HostedChild child;
    std::string path;
};

}  // namespace

bool StateKeeper::restore(const ManagerState& state, std::vector<LoadMessage>& messages) {
    // Each ID or library that cannot be had is told once.
    std::set<VstInt32> told;
    auto tell = [&](VstInt32 id, LoadMessage message) {
        if (told.insert(id).second) messages.push_back(std::move(message));
    };
    const int factor = front_.factorForState(state.ownParameters[0]);

    // The children, loaded and opened while processing goes on.
    auto prepareFrom = [&](Plan& plan, const std::string& path, VstInt32 id, bool instrument) {
        LoadMessage refusal;
        const bool ok = instrument ? rack_.prepareInstrument(path, factor, plan.child, refusal, id)
                                   : rack_.prepareMidiEffect(path, plan.child, refusal, id);
        plan.action = ok ? Plan::install : Plan::missing;
        plan.path = path;
        if (!ok) tell(id, refusal);
    };
    auto prepare = [&](Plan& plan, VstInt32 id, bool instrument) {
        if (auto path = rack_.loader().findInDatabase(id)) return prepareFrom(plan, *path, id, instrument);
        plan.action = Plan::missing;
        tell(id, {"Couldn't find the VST ID in the database", "!"});
    };
    Plan instrumentPlan;
    const VstInt32 instrumentId = state.instrument.id;
    if (state.version == 1) {
        // The oldest layout with a path names no ID: a library it cannot load is not kept.
        if (state.libraryPath.size() > 2) prepareFrom(instrumentPlan, state.libraryPath, -1, true);
    } else if (state.version >= 2 && instrumentId != -1 &&
               (!rack_.instrument().isLoaded() || rack_.instrument().uniqueId() != instrumentId)) {
        prepare(instrumentPlan, instrumentId, true);
    }
    std::array<Plan, ChildRack::kMidiSlots> slotPlans;
    if (state.hasMidiSlots) {
        for (int s = 0; s < ChildRack::kMidiSlots; ++s) {
            const VstInt32 id = state.midiSlots[static_cast<std::size_t>(s)].id;
            if (id == -1) slotPlans[static_cast<std::size_t>(s)].action = Plan::remove;
            else prepare(slotPlans[static_cast<std::size_t>(s)], id, false);
        }
    }

    GateHold hold(gate_, GateHold::wait);
    if (!hold) {
        rack_.loader().marker().started();  // what was prepared goes unplayed
        return false;
    }
    // An instrument about to be replaced is not restarted for the saved factor first.
    if (instrumentPlan.action == Plan::install) rack_.unloadInstrument();
    // Our own parameters come back through the setter, so that a saved factor is in force
    // before the instrument plays.
    for (int i = 0; i < ManagerState::kOwnParameters; ++i)
        front_.setOwnParameter(i, state.ownParameters[static_cast<std::size_t>(i)]);
    if (state.program) front_.setCurrentProgram(*state.program);

    // The stored state belongs to the instrument it names; the oldest layouts name none and
    // give theirs to whatever is loaded.
    bool stateApplies = true;
    switch (instrumentPlan.action) {
    case Plan::install: {
        const VstInt32 id = instrumentPlan.child.uniqueId();
        rack_.installInstrument(std::move(instrumentPlan.child), instrumentPlan.path);
        rack_.loader().recordInDatabase(id, instrumentPlan.path);
        break;
    }
    case Plan::missing:
        if (state.version >= 2) rack_.missingInstrument() = state.instrument;
        stateApplies = false;
        break;
    default:
        if (state.version == 1) stateApplies = state.libraryPath.size() <= 2;
        if (state.version >= 2) rack_.missingInstrument() = {};
        break;
    }
    // Each child new here is marked again as it takes its state: the marker names the one that
    // was busy if the host goes down now.
    CrashMarker& marker = rack_.loader().marker();
    auto mark = [&](const HostedChild& child, const std::string& path) {
        if (!child.inOwnProcess()) marker.starting(child.uniqueId(), path);
    };
    const bool newInstrument = instrumentPlan.action == Plan::install;
    if (newInstrument) mark(rack_.instrument(), instrumentPlan.path);
    if (stateApplies && rack_.instrument().isLoaded() && state.instrument.hasState())
        applyInstrumentState(state.instrument, state.flatParameterList());

    bool anySlot = false;
    for (int s = 0; s < ChildRack::kMidiSlots; ++s) {
        const auto i = static_cast<std::size_t>(s);
        Plan& plan = slotPlans[i];
        const StoredChild& stored = state.midiSlots[i];
        switch (plan.action) {
        case Plan::install: {
            const VstInt32 id = plan.child.uniqueId();
            rack_.installMidiEffect(s, std::move(plan.child), plan.path);
            rack_.loader().recordInDatabase(id, plan.path);
            mark(rack_.midiSlot(s), plan.path);
            if (stored.kind == files::kStateChunk && !stored.state.empty())
                rack_.midiSlot(s).restoreChunk(stored.state, front_.hostRate());
            anySlot = true;
            break;
        }
        case Plan::remove:
            rack_.removeMidiEffect(s);
            rack_.missingMidiSlot(s) = {};
            break;
        case Plan::missing: rack_.missingMidiSlot(s) = stored; break;
        default: break;
        }
    }
    // Every child is in place with its state; what is new plays its first second marked, the
    // instrument named when it is one of them (most songs that crash a host crash it there).
    if (newInstrument) rack_.playsMarked(rack_.instrument(), instrumentPlan.path);
    else if (anySlot) marker.playingOneSecond(front_.hostRate());
    else marker.started();
    return true;
}

VstInt32 StateKeeper::setChunk(const void* data, VstInt32 byteSize) {
    if (!data || byteSize <= 0) return 0;
    auto decoded = files::decodeManagerState(static_cast<const unsigned char*>(data), static_cast<std::size_t>(byteSize));
    if (!decoded) return 0;
    front_.tellStatus("Loading...");
    std::vector<LoadMessage> messages;
    const bool restored = restore(*decoded.value, messages);
    // Messages wait until the gate is free again: a box open for minutes must not keep the
    // host's audio silent.
    for (const LoadMessage& message : messages) message.show();
    const std::string notice = rack_.takeNotice();
    if (!notice.empty()) LoadMessage{notice, "Vexlo VM"}.show();
    tellInstrumentStatus();
    if (!restored) return 0;
    remember();
    return 1;
}

void StateKeeper::reload(const std::array<bool, 1 + ChildRack::kMidiSlots>& which) {
    ManagerState state;
    {
        GatePass pass(gate_, GatePass::waitForChange);
        if (!pass) return;
        std::lock_guard<std::mutex> lock(stateMutex_);
        state = capture();
    }
    {
        GateHold hold(gate_, GateHold::wait);
        if (!hold) return;
        if (which[0]) rack_.unloadInstrument();
        for (int s = 0; s < ChildRack::kMidiSlots; ++s)
            if (which[static_cast<std::size_t>(1 + s)]) rack_.removeMidiEffect(s);
    }
    const auto bytes = files::encodeManagerState(state);
    setChunk(bytes.data(), static_cast<VstInt32>(bytes.size()));
}

void StateKeeper::tellInstrumentStatus() {
    if (!rack_.observer()) return;
    GatePass pass(gate_, GatePass::waitForChange);
    HostedChild& instrument = rack_.instrument();
    if (pass && instrument.isLoaded())
        front_.tellStatus("VST: " + library::baseName(rack_.instrumentPath()) + " - " +
                          instrument.programName().substr(0, kVstMaxProgNameLen));
    else
        front_.tellStatus("");
}

}  // namespace vexlo::manager
