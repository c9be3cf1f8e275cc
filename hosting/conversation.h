// One side of a channel between the host's side and the bridge: a call written into the
// channel waits for its answer, and calls the other side makes while it serves ours are served
// here meanwhile. Every wait has a limit; a side that dies or stops answering ends the call as
// failed, and the channel is not used again.
#pragma once

#include <memory>

#include "hosting/bridge_protocol.h"
#include "platform/ipc.h"

namespace vexlo::hosting::bridge {

class Conversation {
public:
    // Serves one call of the other side: reads the header and payload, writes the answer's.
    using Handler = void (*)(void* context, MessageHeader& header, unsigned char* payload);
    // Whether the other side still runs, asked between slices of a long wait.
    using Alive = bool (*)(void* context);

    // bridgeSide: this side waits on the channel's toBridge bell and rings toHost (else the
    // other way round); mine and theirs are those doorbells.
    Conversation(Channel& channel, bool bridgeSide, std::unique_ptr<platform::Doorbell> mine,
                 std::unique_ptr<platform::Doorbell> theirs, Handler handler, Alive alive, void* context);

    MessageHeader& header() { return channel_.header; }
    unsigned char* payload() { return channel_.payload; }
    bool failed() const { return failed_; }

    // Sends the call written into the header and payload and waits up to the limit for its
    // answer (in the header and payload then). False when it failed.
    bool call(unsigned limitMs);
    // Waits up to the limit for a call of the other side and serves it. False when none came.
    bool serveOne(unsigned limitMs);
    // Ends this side's wait at once (serveOne then answers false): for a side that is ending.
    void wake() { mine_->ring(); }
    // What the waiting thread does with its windows' messages: while it waits for a call to
    // serve, and while it waits for an answer (see platform::WhileWaiting).
    void setWhileWaiting(platform::WhileWaiting forCalls, platform::WhileWaiting forAnswers) {
        whileIdle_ = forCalls;
        whileCalling_ = forAnswers;
    }
    // True while the other side serves a call of ours, not calling back: a call begun now (by
    // a window message served meanwhile) would write over the one it serves, so it must wait.
    bool awaitingAnswer() const { return awaiting_; }

private:
    bool waitForTurn(unsigned limitMs, platform::WhileWaiting meanwhile);
    void serve();
    void handOver();

    Channel& channel_;
    std::unique_ptr<platform::Doorbell> mine_, theirs_;
    std::atomic<std::uint32_t>& mineWord_;
    Handler handler_;
    Alive alive_;
    void* context_;
    std::uint32_t seen_;
    bool failed_ = false;
    bool awaiting_ = false;
    platform::WhileWaiting whileIdle_ = platform::WhileWaiting::nothing;
    platform::WhileWaiting whileCalling_ = platform::WhileWaiting::nothing;
};

}  // namespace vexlo::hosting::bridge
