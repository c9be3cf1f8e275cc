#include "manager/editor/editor_commands.h"

#include "manager/core/vst_manager.h"
#include "platform/user_services.h"

namespace vexlo::manager {

namespace {

constexpr const char* kAutoGuiKey = library::settingKeys::autoGui;

bool startsWithYes(const std::optional<std::string>& value) { return value && value->compare(0, 3, "Yes") == 0; }

}  // namespace

void EditorCommands::run(int entry) {
    VstManager* vm = &context_.manager;
    switch (entry) {
    case EditorTags::kAbout:
        platform::userServices().report("Written by ZAV Uzideza, made by Vexloworks\nVersion: " VEXLO_VERSION,
                                        "Vexlo VM (ZAV Uzideza)");
        break;
    case EditorTags::kLoadBank: vm->loadPresetOrBank(true, nullptr); break;
    case EditorTags::kLoadPreset: vm->loadPresetOrBank(false, nullptr); break;
    case EditorTags::kScan: scan(); break;
    case EditorTags::kLoadVst:
        hosted_.closeInstrumentEditor(true);
        vm->loadInstrument(nullptr, false, -1);
        break;
    case EditorTags::kExtractPresets:
    case EditorTags::kExtractBank:
        // Only an empty Vexlo VM needs an instrument first: asking otherwise would unload the
        // one playing, and its unsaved sound with it.
        if (!vm->getInstrument()) vm->loadInstrument(nullptr, false, -1);
        if (vm->getInstrument()) entry == EditorTags::kExtractPresets ? vm->extractPrograms() : vm->saveBankAndLinks();
        break;
    case EditorTags::kSavePreset:
        if (vm->getInstrument()) vm->saveProgram(true);
        break;
    case EditorTags::kLinkPreset:
        if (vm->getInstrument()) vm->linkProgram();
        break;
    case EditorTags::kBypass: VstManager::setOversamplerBypass(!VstManager::oversamplerBypassed()); break;
    case EditorTags::kAutoGui: toggleAutoGui(); break;
    case EditorTags::kOwnProcess:
        hosted_.closeInstrumentEditor(true);
        vm->setOwnProcess(0, !vm->ownProcess(0));
        break;
    case EditorTags::kOwnProcessMidi:
    case EditorTags::kOwnProcessMidi + 1:
    case EditorTags::kOwnProcessMidi + 2:
    case EditorTags::kOwnProcessMidi + 3: {
        // The slot's editor belongs to the plug-in that goes: it closes first.
        const int slot = entry - EditorTags::kOwnProcessMidi;
        hosted_.closeMidiSlotEditor(slot);
        vm->setOwnProcess(1 + slot, !vm->ownProcess(1 + slot));
        break;
    }
    case EditorTags::kReload:
        hosted_.closeInstrumentEditor(true);
        vm->reloadFailed();
        break;
    default: break;
    }
}

void EditorCommands::scan() {
    if (context_.manager.scanning()) {
        context_.manager.stopScan();
        return;
    }
    const bool onlyNew = platform::userServices().ask("Scan only NEW VSTs?", "Only New?");
    hosted_.closeInstrumentEditor(true);
    context_.manager.scanPlugins(onlyNew);
    if (context_.views.command) context_.views.command->setEntry(EditorTags::kScan, "Stop Scan");
}

void EditorCommands::scanEnded(bool completed) {
    if (context_.views.command) context_.views.command->setEntry(EditorTags::kScan, "Scan VSTs");
    platform::userServices().report(completed ? "Scan VSTs Completed!" : "Scan VSTs Stopped!", "OK");
}

bool EditorCommands::autoGuiOn() const { return startsWithYes(context_.manager.settingsStore().read(kAutoGuiKey)); }

void EditorCommands::toggleAutoGui() {
    const bool on = !autoGuiOn();
    context_.manager.settingsStore().write(kAutoGuiKey, on ? "Yes" : "No", false);
    // Turning it off leaves an open hosted editor open.
    hosted_.setWanted(on);
    if (context_.views.command) context_.views.command->setEntry(EditorTags::kAutoGui, EditorViews::autoGuiText(on));
}

void EditorCommands::chooseOversampling(int entry) {
    if (entry >= 0 && entry < EditorTags::kFactorEntries) {
        // Entry i is the value of parameter 0 that selects the i-th factor of 1, 2, 4, 6 and 8.
        context_.manager.setParameter(0, static_cast<float>(entry) / (EditorTags::kFactorEntries - 1));
    } else if (entry == EditorTags::kClassicEntry || entry == EditorTags::kHighEntry) {
        context_.manager.setParameter(1, entry == EditorTags::kHighEntry ? 1.0f : 0.0f);
    }
    showSwitches();
}

void EditorCommands::showSwitches() {
    COptionMenu* oversampling = context_.views.oversampling;
    if (!oversampling) return;
    COptionMenu* command = context_.views.command;
    command->setEntry(EditorTags::kBypass, EditorViews::bypassText(VstManager::oversamplerBypassed()));
    command->setChecked(EditorTags::kOwnProcess, context_.manager.ownProcess(0));
    for (int slot = 0; slot < EditorTags::kSlots; ++slot)
        command->setChecked(EditorTags::kOwnProcessMidi + slot, context_.manager.ownProcess(1 + slot));
    static constexpr int kFactors[EditorTags::kFactorEntries] = {1, 2, 4, 6, 8};
    const int factor = context_.manager.getOversamplingFactor();
    for (int i = 0; i < EditorTags::kFactorEntries; ++i)
        if (kFactors[i] == factor && oversampling->getCurrent() != i) oversampling->setCurrent(i);
    const bool high = context_.manager.getOversamplingQuality() == Oversampler::Quality::high;
    oversampling->setChecked(EditorTags::kClassicEntry, !high);
    oversampling->setChecked(EditorTags::kHighEntry, high);
}

}  // namespace vexlo::manager
