#include "image/BlockPipeline.h"

#include "image/EngineBuffers.h"

#include <algorithm>
#include <csignal>
#include <pthread.h>
#include <system_error>

namespace {
// Rooms are whole pages, so that every slot's buffers start on a page.
constexpr size_t WholePages(size_t bytes)
{
    return (bytes + ENGINE_BUFFER_ALIGNMENT - 1) / ENGINE_BUFFER_ALIGNMENT * ENGINE_BUFFER_ALIGNMENT;
}
constexpr size_t kInRoom = WholePages(static_cast<size_t>(IMAGE_BLOCK_ROOM));
static_assert(sizeof(abReadBuffer_g) >= IMAGE_BLOCK_ROOM && sizeof(abWriteBuffer_g) >= BLOCK_SLOT_OUT_ROOM);

// Returns the slot cleared for the next block, its buffers kept.
void Clear(BlockSlot& slot)
{
    slot.inLength = 0;
    slot.outcome = 0;
    slot.needsCoding = false;
    slot.coded = 0;
    slot.fault = BlockFault::None;
    slot.plain = 0;
    slot.progress = -1;
}
}  // namespace

BlockPipeline::BlockPipeline(Produce produce, Code code, int coders)
    : produce_(std::move(produce)), code_(std::move(code))
{
    if (coders > 0 && StartThreads(coders))
        return;
    slots_.assign(1, BlockSlot{});
    slots_[0].in = abReadBuffer_g.data();
    slots_[0].out = abWriteBuffer_g.data();
}

BlockPipeline::~BlockPipeline()
{
    StopThreads();
}

// Returns true when the reader and at least one coder run; false with no
// thread left running.
bool BlockPipeline::StartThreads(int coders)
{
    const size_t count = 2 * static_cast<size_t>(coders) + 2;
    const size_t slotBytes = kInRoom + WholePages(BLOCK_SLOT_OUT_ROOM);
    // Left uninitialised: a page costs memory only once a block lands in it.
    storage_.reset(new (std::align_val_t(ENGINE_BUFFER_ALIGNMENT)) uint8_t[count * slotBytes]);
    slots_.assign(count, BlockSlot{});
    states_.assign(count, State::Free);
    for (size_t i = 0; i < count; ++i) {
        slots_[i].in = storage_.get() + i * slotBytes;
        slots_[i].out = slots_[i].in + kInRoom;
    }
    freeSlots_ = count;
    // Two at a time: the ring then still holds work for every coder while
    // the reader or the caller sleeps.
    refill_ = 2;
    batch_ = std::min<size_t>(2, static_cast<size_t>(coders));
    // The threads start with every signal blocked, so a signal such as
    // Ctrl-C reaches the calling thread, where a question may wait for it.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    bool started = true;
    try {
        for (int i = 0; i < coders; ++i)
            coders_.emplace_back(&BlockPipeline::CoderLoop, this);
        reader_ = std::thread(&BlockPipeline::ReaderLoop, this);
    } catch (const std::system_error&) {
        started = false;
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (!started) {
        StopThreads();
        storage_.reset();
    }
    return started;
}

// Returns once every thread of the pipeline has ended.
void BlockPipeline::StopThreads()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    freed_.notify_all();
    filled_.notify_all();
    ready_.notify_all();
    if (reader_.joinable())
        reader_.join();
    for (std::thread& t : coders_)
        t.join();
    coders_.clear();
}

// Returns how many blocks from the caller's next one on are ready in a row.
size_t BlockPipeline::ReadyInARow() const
{
    size_t run = 0;
    for (uint64_t seq = handedOut_; seq < readCount_ && states_[seq % slots_.size()] == State::Ready; ++seq)
        ++run;
    return run;
}

// Returns true when a waiting caller should take its next block, or learn
// that there is none: a batch is ready, or everything read so far is.
bool BlockPipeline::CallerMayGo() const
{
    if (handedOut_ >= readCount_)
        return readerEnded_;
    const size_t run = ReadyInARow();
    return run >= batch_ || (run > 0 && run == readCount_ - handedOut_);
}

// Returns true when the caller sleeps and may now go on. Called with the lock held.
bool BlockPipeline::CallerDue() const
{
    return callerWaiting_ && CallerMayGo();
}

// Returns when the stream ended or the pipeline stops.
void BlockPipeline::ReaderLoop()
{
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        if (freeSlots_ == 0 && !stop_) {
            readerWaiting_ = true;
            freed_.wait(hold, [&] { return stop_ || freeSlots_ >= refill_; });
            readerWaiting_ = false;
        }
        if (stop_)
            break;
        // Slots come back in the order they were read, so the next one in
        // the ring is the free one.
        const uint64_t seq = readCount_;
        const size_t at = seq % slots_.size();
        --freeSlots_;
        BlockSlot& slot = slots_[at];
        hold.unlock();
        Clear(slot);
        const bool more = produce_(slot);
        hold.lock();
        ++readCount_;
        bool wakeCoder = false;
        bool wakeCaller = false;
        if (slot.needsCoding) {
            states_[at] = State::Filled;
            toCode_.push_back(seq);
            wakeCoder = codersWaiting_ > 0;
        } else {
            states_[at] = State::Ready;
            wakeCaller = CallerDue();
        }
        if (!more)
            break;
        // Woken after the lock is let go, so the woken thread does not
        // block on it at once.
        hold.unlock();
        if (wakeCoder)
            filled_.notify_one();
        if (wakeCaller)
            ready_.notify_one();
        hold.lock();
    }
    readerEnded_ = true;
    hold.unlock();
    filled_.notify_all();
    ready_.notify_all();
}

// Returns when nothing is left to code, or the pipeline stops.
void BlockPipeline::CoderLoop()
{
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        if (toCode_.empty() && !stop_ && !readerEnded_) {
            ++codersWaiting_;
            filled_.wait(hold, [&] { return stop_ || !toCode_.empty() || readerEnded_; });
            --codersWaiting_;
        }
        if (stop_ || toCode_.empty())
            return;
        const size_t at = toCode_.front() % slots_.size();
        toCode_.pop_front();
        hold.unlock();
        code_(slots_[at]);
        hold.lock();
        states_[at] = State::Ready;
        if (CallerDue()) {
            hold.unlock();
            ready_.notify_one();
            hold.lock();
        }
    }
}

const BlockSlot* BlockPipeline::Next()
{
    if (!reader_.joinable())
        return NextInline();
    std::unique_lock<std::mutex> hold(lock_);
    if (handedOut_ > 0) {
        states_[(handedOut_ - 1) % slots_.size()] = State::Free;
        ++freeSlots_;
        if (readerWaiting_ && freeSlots_ >= refill_) {
            hold.unlock();
            freed_.notify_one();
            hold.lock();
        }
    }
    const size_t at = handedOut_ % slots_.size();
    const bool ready = handedOut_ < readCount_ && states_[at] == State::Ready;
    if (!ready && !(readerEnded_ && handedOut_ >= readCount_)) {
        callerWaiting_ = true;
        ready_.wait(hold, [&] { return CallerMayGo(); });
        callerWaiting_ = false;
    }
    if (handedOut_ >= readCount_)
        return nullptr;
    ++handedOut_;
    return &slots_[at];
}

// Returns the next block read and coded on the calling thread, or nullptr
// after the one that ended the stream.
const BlockSlot* BlockPipeline::NextInline()
{
    if (readerEnded_)
        return nullptr;
    BlockSlot& slot = slots_[0];
    Clear(slot);
    readerEnded_ = !produce_(slot);
    if (slot.needsCoding)
        code_(slot);
    return &slot;
}
