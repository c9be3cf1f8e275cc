// One child plug-in: its library, its entry, its record and whether it runs. Every call into a
// child goes through here, for Vexlo VM's children and for vexlo-host's plug-ins alike.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "frame/vst_records.h"
#include "platform/platform.h"

namespace vexlo::hosting {

namespace bridge {
class BridgeClient;
}

using PluginEntry = AEffect*(VEXLO_CDECL*)(audioMasterCallback);

// What a child reports of its editor: the rectangle, or nothing without an editor.
struct EditorRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

class HostedChild {
public:
    HostedChild() = default;
    ~HostedChild() { close(false); }
    HostedChild(HostedChild&& other) noexcept { take(other); }
    // Closes what this one holds and takes the other's child.
    HostedChild& operator=(HostedChild&& other) noexcept;
    HostedChild(const HostedChild&) = delete;
    HostedChild& operator=(const HostedChild&) = delete;

    // ---- Coming in ----
    // Loads the library and finds "VSTPluginMain", or "main" when that is absent. False (nothing
    // held) when the system cannot load it or it exports neither, or when it is built for
    // another processor or word size than this process; *error says which.
    bool loadLibrary(const std::string& path, std::string* error = nullptr);
    // Calls the entry (the library's, or one linked into the program) with the host callback.
    // False when it returns no record, or one without the plug-in magic; the library stays held.
    bool enter(audioMasterCallback callback);
    bool enter(PluginEntry entry, audioMasterCallback callback);
    // Loads the library in a process of its own (the bridge program beside this code, the one
    // of the library's word size) instead: enter() then gives a stand-in record whose calls
    // travel there. False (nothing held) when the bridge does not start or the library does not
    // load there; *error says why.
    bool loadInOwnProcess(const std::string& path, std::string* error = nullptr);
    // The bridge program a library is hosted by in a process of its own.
    static std::string bridgeFor(const std::string& library);
    bool inOwnProcess() const { return remote_ != nullptr; }
    // In its own process: it died or stopped answering, and is silent from then on.
    bool failed() const;
    // Whom the child's calls to the host belong to (the record's user field).
    void setOwner(void* owner);
    // Closes the record and asks the entry for a new one, keeping the library: how a plug-in
    // that takes its rate only when it starts hears a new one. The new record is not open yet.
    // False, with nothing held, when the entry gives none this time.
    bool restart(audioMasterCallback callback, void* owner);
    // Sends effClose and forgets the record, keeping the library for another entry.
    VstIntPtr closeRecord();

    // ---- The lifecycle ----
    // effOpen once.
    void open();
    // The whole start: effOpen, sample rate, block size, resume.
    void open(float rate, VstInt32 block);
    void suspend();
    void resume();
    // Tells the child a new rate and block size, suspended while it hears them; resumed after
    // when it ran before, or when resumeAfter says so.
    void setRateAndBlock(float rate, VstInt32 block, bool resumeAfter = false);
    void setBlockSize(VstInt32 block);
    // The rate alone, as a restored state is followed by it.
    void setSampleRate(float rate);
    // Suspends, sends effClose, forgets the record and releases the library. Returns the answer
    // to effClose. forgetOwner: the child's calls while it closes belong to nobody.
    VstIntPtr close(bool forgetOwner = true);

    bool isLoaded() const { return effect_.load() != nullptr; }
    bool isOpen() const { return opened_; }
    bool isResumed() const { return resumed_; }
    AEffect* effect() const { return effect_.load(); }
    const std::string& path() const { return path_; }
    float sampleRate() const { return rate_; }
    VstInt32 blockSize() const { return block_; }

    // ---- What it is ----
    VstInt32 uniqueId() const;
    int numPrograms() const;
    int numParams() const;
    int numInputs() const;
    int numOutputs() const;
    bool hasFlag(VstInt32 flag) const;
    // The canDo answer: 1 yes, 0 unknown, -1 no.
    VstIntPtr canDo(const char* word);
    // True when any of the words, asked in order while the answer is no (-1), is answered yes
    // or unknown.
    bool canDoAny(std::initializer_list<const char*> words);
    std::string text(VstInt32 opcode, VstInt32 index = 0);

    // ---- Programs and parameters ----
    void setProgram(VstInt32 program);
    VstInt32 program();
    std::string programName();
    std::string programNameIndexed(VstInt32 index);
    void setProgramName(const std::string& name);
    float getParameter(VstInt32 index);
    // Sets a parameter, and remembers that it was set.
    void setParameter(VstInt32 index, float value);
    // Remembers that the child set a parameter itself (it reported the change to its host).
    void noteParameterSet(VstInt32 index);
    // Brings a parameter back to a value a saved state or preset holds. Some plug-ins start
    // with an inner value that no parameter value gives back (Nekobi's tuning: it reports 0.5 at
    // its start, and 0.5 set raises it by a major third): a parameter that reports the value
    // already and was never set since the library was loaded (restarts included) is left alone.
    void restoreParameter(VstInt32 index, float value);

    // ---- State ----
    // The child's chunk (bank when index 0, program when 1); empty when it hands over none. The
    // bytes belong to the child until its next call.
    struct Bytes {
        const unsigned char* data = nullptr;
        std::size_t size = 0;
    };
    Bytes getChunk(VstInt32 index = 0);
    // Hands the bytes over, followed by a few zero bytes: some plug-ins read text in their
    // chunks up to a terminator they never counted.
    VstIntPtr setChunk(const std::vector<unsigned char>& bytes, VstInt32 index = 0);
    // A saved bank chunk as a restore hands it over: suspended, the chunk, the rate it runs
    // at (some plug-ins rebuild their sound from it), resumed.
    void restoreChunk(const std::vector<unsigned char>& bytes, float rate);

    // ---- Processing ----
    VstIntPtr processEvents(VstEvents* events);
    // processReplacing when the child can, else its accumulating process.
    void process(float** inputs, float** outputs, VstInt32 frames);

    // ---- Editor ----
    bool editorRect(EditorRect& rect);
    bool openEditor(void* window);
    void closeEditor();
    void editorIdle();

    // Any other opcode, for what has no operation of its own.
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

private:
    void take(HostedChild& other);
    // Takes a record an entry gave; false when it is none.
    bool adopt(AEffect* record);
    void releaseLibrary();

    std::atomic<AEffect*> effect_{nullptr};
    platform::LibraryHandle library_ = nullptr;
    PluginEntry entry_ = nullptr;
    std::shared_ptr<bridge::BridgeClient> remote_;  // the library's process, when it has one
    std::string path_;
    bool opened_ = false;
    bool resumed_ = false;
    float rate_ = 0.0f;
    VstInt32 block_ = 0;
    std::vector<unsigned char> chunkCopy_;
    // Which parameters were set, kept from the entry on (and over restarts): set from the host's
    // threads and the audio thread alike, and never allocated there.
    static constexpr int kTrackedParameters = 1 << 16;
    std::unique_ptr<std::atomic<bool>[]> parametersSet_;
    int trackedParameters_ = 0;
};

}  // namespace vexlo::hosting
