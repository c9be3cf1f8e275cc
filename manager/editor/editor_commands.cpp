// What the editor's menus do: the command menu's fifteen entries and the oversampling menu.
// Every entry that asks the person something asks before the manager starts its change, so no
// dialog is ever open while the manager holds its gate.
#include "manager/core/vst_manager.h"
#include "manager/editor/manager_editor.h"
#include "platform/user_services.h"

namespace vexlo::manager {

namespace {

constexpr const char* kAutoGuiKey = library::settingKeys::autoGui;

bool startsWithYes(const std::optional<std::string>& value) { return value && value->compare(0, 3, "Yes") == 0; }

}  // namespace

const char* VstManagerEditor::bypassText(bool on) { return on ? "OverSampler Bypass: On" : "OverSampler Bypass: Off"; }

const char* VstManagerEditor::autoGuiText(bool on) { return on ? "Auto Open GUI: On" : "Auto Open GUI: Off"; }

void VstManagerEditor::runCommand(int entry) {
    VstManager* vm = manager();
    switch (entry) {
    case kAbout:
        platform::userServices().report("Written by ZAV Uzideza, made by Vexloworks\nVersion: 1.2.4",
                                        "Vexlo VM (ZAV Uzideza)");
        break;
    case kLoadBank: vm->loadPresetOrBank(true, nullptr); break;
    case kLoadPreset: vm->loadPresetOrBank(false, nullptr); break;
    case kScan: scan(); break;
    case kLoadVst:
        closeHostedEditor(true);
        vm->loadInstrument(nullptr, false, -1);
        break;
    case kExtractPresets:
    case kExtractBank:
        // Only an empty Vexlo VM needs an instrument first: asking otherwise would unload the
        // one playing, and its unsaved sound with it.
        if (!vm->getInstrument()) vm->loadInstrument(nullptr, false, -1);
        if (vm->getInstrument()) entry == kExtractPresets ? vm->extractPrograms() : vm->saveBankAndLinks();
        break;
    case kSavePreset:
        if (vm->getInstrument()) vm->saveProgram(true);
        break;
    case kLinkPreset:
        if (vm->getInstrument()) vm->linkProgram();
        break;
    case kBypass: VstManager::setOversamplerBypass(!VstManager::oversamplerBypassed()); break;
    case kAutoGui: toggleAutoGui(); break;
    default: break;
    }
}

void VstManagerEditor::scan() {
    const bool onlyNew = platform::userServices().ask("Scan only NEW VSTs?", "Only New?");
    closeHostedEditor(true);
    manager()->scanPlugins(onlyNew);
    platform::userServices().report("Scan VSTs Completed!", "OK");
}

bool VstManagerEditor::autoGuiOn() const { return startsWithYes(manager()->settingsStore().read(kAutoGuiKey)); }

void VstManagerEditor::toggleAutoGui() {
    const bool on = !autoGuiOn();
    manager()->settingsStore().write(kAutoGuiKey, on ? "Yes" : "No", false);
    // Turning it off leaves an open hosted editor open.
    showHostedEditor_ = on;
    if (command_) command_->setEntry(kAutoGui, autoGuiText(on));
}

void VstManagerEditor::chooseOversampling(int entry) {
    if (entry >= 0 && entry < kFactorEntries) {
        // Entry i is the value of parameter 0 that selects the i-th factor of 1, 2, 4, 6 and 8.
        manager()->setParameter(0, static_cast<float>(entry) / (kFactorEntries - 1));
    } else if (entry == kClassicEntry || entry == kHighEntry) {
        manager()->setParameter(1, entry == kHighEntry ? 1.0f : 0.0f);
    }
    showOversampling();
}

void VstManagerEditor::showOversampling() {
    if (!oversampling_) return;
    static constexpr int kFactors[kFactorEntries] = {1, 2, 4, 6, 8};
    const int factor = manager()->getOversamplingFactor();
    for (int i = 0; i < kFactorEntries; ++i)
        if (kFactors[i] == factor && oversampling_->getCurrent() != i) oversampling_->setCurrent(i);
    const bool high = manager()->getOversamplingQuality() == Oversampler::Quality::high;
    oversampling_->setChecked(kClassicEntry, !high);
    oversampling_->setChecked(kHighEntry, high);
}

}  // namespace vexlo::manager
