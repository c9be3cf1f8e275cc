#include "hosting/conversation.h"

#include <algorithm>

#include "platform/platform.h"

namespace vexlo::hosting::bridge {

namespace {
// A long wait looks at the other side this often.
constexpr unsigned kSliceMs = 50;
}  // namespace

Conversation::Conversation(Channel& channel, bool bridgeSide, std::unique_ptr<platform::Doorbell> mine,
                           std::unique_ptr<platform::Doorbell> theirs, Handler handler, Alive alive, void* context)
    : channel_(channel),
      mine_(std::move(mine)),
      theirs_(std::move(theirs)),
      mineWord_(bridgeSide ? channel.toBridge : channel.toHost),
      handler_(handler),
      alive_(alive),
      context_(context),
      // Both bells start at zero; the host may ring before the bridge has opened the channel.
      seen_(0) {}

void Conversation::handOver() {
    // The value of our bell before the other side can ring it: a ring after this is seen.
    seen_ = mineWord_.load();
    theirs_->ring();
}

bool Conversation::waitForTurn(unsigned limitMs, platform::WhileWaiting meanwhile) {
    const std::uint32_t start = platform::tickCount();
    for (;;) {
        const std::uint32_t spent = platform::tickCount() - start;
        if (spent >= limitMs) return false;
        const unsigned slice = alive_ ? std::min(kSliceMs, limitMs - spent) : limitMs - spent;
        if (mine_->waitPast(seen_, slice, meanwhile)) {
            seen_ = mineWord_.load();
            return true;
        }
        if (alive_ && !alive_(context_)) return false;
    }
}

void Conversation::serve() {
    handler_(context_, channel_.header, channel_.payload);
    channel_.header.kind = static_cast<std::uint32_t>(Kind::answer);
    handOver();
}

bool Conversation::call(unsigned limitMs) {
    if (failed_) return false;
    channel_.header.kind = static_cast<std::uint32_t>(Kind::call);
    handOver();
    for (;;) {
        awaiting_ = true;
        const bool turn = waitForTurn(limitMs, whileCalling_);
        awaiting_ = false;
        if (!turn) {
            failed_ = true;
            return false;
        }
        if (channel_.header.kind == static_cast<std::uint32_t>(Kind::answer)) return true;
        if (channel_.header.kind != static_cast<std::uint32_t>(Kind::call)) {
            failed_ = true;
            return false;
        }
        serve();  // the other side calls back while it serves ours
    }
}

bool Conversation::serveOne(unsigned limitMs) {
    if (failed_ || !waitForTurn(limitMs, whileIdle_)) return false;
    if (channel_.header.kind != static_cast<std::uint32_t>(Kind::call)) return false;
    serve();
    return true;
}

}  // namespace vexlo::hosting::bridge
