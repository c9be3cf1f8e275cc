// What the test instrument's editor answers through effVendorSpecific (index = question), and
// the green panel it shows in the window the host gives it (one file per platform).
#pragma once

#include "frame/aeff_editor.h"

enum TestEditorQuestion {
    kEditorResize = 200,  // value: width << 16 | height; the editor reports that size from now on
    kEditorIsOpen,
    kEditorWindow,  // the window effEditOpen gave
    kEditorOpens,   // how many times each request came
    kEditorCloses,
    kEditorIdles,
    kEditorRects,
    kEditorOpensWithoutWindow,
};

// The panel's colour: red 32, green 192, blue 96.
void* testPanelOpen(void* parent, int width, int height);
void testPanelResize(void* panel, int width, int height);
void testPanelIdle(void* panel);
void testPanelClose(void* panel);

// An editor of the given size that shows the panel and counts what it is asked.
class TestEditor : public AEffEditor {
public:
    TestEditor(AudioEffect* effect, VstInt16 width, VstInt16 height) : AEffEditor(effect), rect_{0, 0, height, width} {}
    ~TestEditor() override { testPanelClose(panel_); }
    bool getRect(ERect** rect) override {
        ++count(kEditorRects);
        *rect = &rect_;
        return true;
    }
    bool open(void* window) override {
        ++count(kEditorOpens);
        if (window == nullptr) ++count(kEditorOpensWithoutWindow);
        AEffEditor::open(window);
        testPanelClose(panel_);
        panel_ = testPanelOpen(window, rect_.right, rect_.bottom);
        return true;
    }
    void close() override {
        ++count(kEditorCloses);
        testPanelClose(panel_);
        panel_ = nullptr;
        AEffEditor::close();
    }
    void idle() override {
        ++count(kEditorIdles);
        testPanelIdle(panel_);
    }
    bool onKeyDown(VstKeyCode& key) override { return key.character == 'a'; }

    VstIntPtr answer(VstInt32 question, VstIntPtr value) {
        if (question == kEditorResize) {
            rect_.right = static_cast<VstInt16>(value >> 16);
            rect_.bottom = static_cast<VstInt16>(value & 0xFFFF);
            testPanelResize(panel_, rect_.right, rect_.bottom);
            return 1;
        }
        if (question == kEditorIsOpen) return isOpen() ? 1 : 0;
        if (question == kEditorWindow) return reinterpret_cast<VstIntPtr>(systemWindow);
        if (question >= kEditorOpens && question <= kEditorOpensWithoutWindow) return counts_[question - kEditorOpens];
        return 0;
    }

private:
    VstIntPtr& count(int question) { return counts_[question - kEditorOpens]; }

    ERect rect_;
    void* panel_ = nullptr;
    VstIntPtr counts_[kEditorOpensWithoutWindow - kEditorOpens + 1] = {};
};

