// The bridge program's side: hosts one plug-in with the hosting room's wrapper and serves the
// host that started it over the block of memory it made (see hosting/bridge_protocol.h). The
// program's main thread serves every call but blocks (and opens the plug-in's editor, so the
// plug-in's windows belong to it); a thread of its own serves blocks and events. The plug-in's
// calls to its host are answered by the host while it waits for the call that caused them,
// from the block's own answers while it plays, and are left as notifications otherwise.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hosting/conversation.h"
#include "hosting/event_codec.h"
#include "hosting/hosted_child.h"
#include "platform/editor_seat.h"

namespace vexlo::bridge {

using namespace hosting::bridge;

class BridgeServer {
public:
    // Opens the host's block of memory; false when it is not there or not of this version.
    bool open(const std::string& name);
    // Serves until the host asks the bridge to end or goes away; the program's exit code.
    int run();

private:
    static VstIntPtr VEXLO_CDECL hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt);
    static void serveControl(void* context, MessageHeader& header, unsigned char* payload);
    static void serveAudio(void* context, MessageHeader& header, unsigned char* payload);
    static bool hostAlive(void* context);

    void handleControl(MessageHeader& header, unsigned char* payload);
    void handleDispatch(MessageHeader& header, unsigned char* payload);
    void handleAudio(MessageHeader& header, unsigned char* payload);
    VstIntPtr answerDuringBlock(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    VstIntPtr askHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    void notify(VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt);
    void applyPendingParameters();
    void takeSnapshot();
    void refreshParameters();
    // The block's answer: the automation and events the plug-in reported while it played.
    void writeBlockAnswer(MessageHeader& header, unsigned char* payload);
    // Keeps the editor's seat where the host's window is, at the editor's size.
    void followEditor();

    std::unique_ptr<platform::SharedMemory> memory_;
    Segment* segment_ = nullptr;
    std::string name_;
    std::unique_ptr<Conversation> control_, audio_;
    hosting::HostedChild child_;
    std::unique_ptr<platform::EditorSeat> seat_;  // while the plug-in's editor is open
    std::atomic<bool> quit_{false};
    std::thread::id controlThread_, audioThread_;
    int serving_ = 0;                     // control calls being served (the main thread)
    std::atomic<bool> playing_{false};    // the audio thread is inside a block or events call
    float rate_ = 44100.0f;
    VstInt32 block_ = 512;
    VstTimeInfo blockTime_{};
    bool blockHasTime_ = false;
    VstTimeInfo controlTime_{};
    EventStore inEvents_;
    // What the plug-in reports during a block, sent back with it.
    static constexpr int kMaxAutomation = 1024;
    Automation automation_[kMaxAutomation];
    int automationCount_ = 0;
    unsigned char outEvents_[kPayloadBytes / 2];
    std::size_t outEventBytes_ = 4;
    std::uint32_t outEventCount_ = 0;
    unsigned char scratch_[kPayloadBytes / 2];
    // A large input staged in pieces, and the last large answer, fetched in pieces.
    std::vector<unsigned char> staged_;
    std::vector<unsigned char> lastAnswer_;
    std::mutex notifyMutex_;  // the plug-in's own threads
};

}  // namespace vexlo::bridge
