// The host's side of a plug-in hosted in a process of its own: starts the bridge program,
// shares a block of memory with it, and gives the host a stand-in record whose calls travel
// to the plug-in there (see bridge_protocol.h). The host's code cannot tell the stand-in from
// the plug-in, with two differences: a plug-in that dies or stops answering becomes silent
// instead of taking the host down (failed() then says so), and parameter values are read from
// a mirror the bridge keeps.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hosting/conversation.h"
#include "hosting/event_codec.h"

namespace vexlo::hosting::bridge {

class BridgeClient {
public:
    // A call other than a block has this long before its plug-in counts as hanging.
    static constexpr unsigned kCallLimitMs = 10000;
    // A block has at least this long (more for a long block at a low rate).
    static constexpr unsigned kBlockLimitMs = 500;

    // Starts the bridge program and has it load the library. Nothing, with *error, when the
    // program does not start or the library does not load there.
    static std::unique_ptr<BridgeClient> start(const std::string& program, const std::string& library,
                                               std::string* error = nullptr);
    // The block of memory by that name and its doorbells alone, with no program started: for a
    // bridge the caller serves itself (a fuzzer's). Nothing, with *error, when the system refuses.
    static std::unique_ptr<BridgeClient> attach(const std::string& name, std::string* error = nullptr);
    ~BridgeClient();
    BridgeClient(const BridgeClient&) = delete;
    BridgeClient& operator=(const BridgeClient&) = delete;

    // Has the bridge call the library's entry: the stand-in record, or null when the entry
    // gave none. The plug-in's calls to its host reach `callback` with the stand-in.
    AEffect* enter(audioMasterCallback callback);
    // The plug-in died or stopped answering: every call answers 0 and blocks are silent.
    bool failed() const { return failed_.load(); }
    // The bridge program beside the library (or program) this code is in; wordSize names the
    // one for libraries of the other word size ("32" or "64", see library_machine.h).
    static std::string programBeside(const char* wordSize = "");

    struct Shared;  // the block of memory and the process

private:
    BridgeClient() = default;

    static VstIntPtr VEXLO_CDECL dispatcherProc(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float);
    static void VEXLO_CDECL processProc(AEffect*, float**, float**, VstInt32);
    static void VEXLO_CDECL processReplacingProc(AEffect*, float**, float**, VstInt32);
    static void VEXLO_CDECL setParameterProc(AEffect*, VstInt32, float);
    static float VEXLO_CDECL getParameterProc(AEffect*, VstInt32);
    static void serveControl(void* context, MessageHeader& header, unsigned char* payload);
    static void serveAudio(void* context, MessageHeader& header, unsigned char* payload);
    static bool bridgeAlive(void* context);

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    // A call on the control channel, with large inputs sent ahead in pieces. False when it failed.
    bool controlCall(MessageHeader request, const unsigned char* input, std::size_t size);
    void takeLargeAnswer(std::vector<unsigned char>& into);
    void process(float** inputs, float** outputs, VstInt32 frames, bool accumulate);
    VstIntPtr sendEvents(const VstEvents* events);
    // What a block's answer carries: the plug-in's events and automation, handed to the host.
    void deliverBlockAnswer();
    void deliverNotifications();
    void copySnapshot();
    void fail();

    std::unique_ptr<Shared> shared_;
    Segment* segment_ = nullptr;
    std::unique_ptr<Conversation> control_, audio_;
    std::recursive_mutex controlMutex_;  // the host's threads other than the audio thread
    std::atomic<bool> audioBusy_{false};
    std::atomic<bool> draining_{false};
    std::atomic<bool> failed_{false};
    AEffect record_{};
    audioMasterCallback callback_ = nullptr;
    float rate_ = 44100.0f;
    std::vector<unsigned char> chunk_;  // the last chunk handed out: ours until the next call
    ERect rect_{};
    EventStore blockEvents_;    // the plug-in's events of a block (the audio thread)
    EventStore controlEvents_;  // its events sent from another thread
};

}  // namespace vexlo::hosting::bridge
