// The block pipeline under every transfer (image/Transfer.h):
//
//     reader thread  ──▶  coding threads  ──▶  calling thread
//     Produce(slot)       Code(slot)           Next(), strictly in read order
//
// One reader thread fills slots one after the other with the next block's
// input (drive bytes when creating, a stored block when restoring) and stops
// after the slot that ends the stream: the last block, the end of the input,
// or a failure, which travels in the slot like any block. Coding threads
// (one per core) take filled slots in any order and compress or expand them.
// The calling thread receives the slots in the order they were read, so it
// alone writes, asks questions, moves the bar and polls Cancel, exactly as a
// run on one thread does, and sees a failure at the same block.
//
// At most 2 × coders + 2 blocks are in flight: the reader waits until the
// calling thread has handed back the oldest slot before it reads on, so the
// memory used does not depend on the drive's size.
//
// Hand-offs come in batches, so that threads sleep and wake far less often
// than once per block: a waiting reader is woken once several slots are
// free again, and a waiting calling thread once several blocks in a row are
// ready (or every block read so far is). A thread is only woken when it
// sleeps; while all are busy, blocks pass without a system call.
//
// With no coding threads nothing runs in the background: Next() reads and
// codes one block on the calling thread, in the engine's two global buffers.
//
// Destroying the pipeline stops the reader and the coders and joins them, so
// no thread outlives the run and whatever the reader used (the drive, the
// image file) is the caller's alone again. The reader finishes the read it
// is in before it stops.
#pragma once

#include "image/BlockFault.h"
#include "image/EngineBuffers.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

// The two buffers of a slot may trade places while it is coded (a block
// expanded, then stored again); each has room for at least IMAGE_BLOCK_ROOM
// bytes.
struct BlockSlot {
    uint8_t* in = nullptr;  // input of the block, room for IMAGE_BLOCK_ROOM bytes
    uint8_t* out = nullptr; // coded block, room for BLOCK_SLOT_OUT_ROOM bytes
    int64_t inLength = 0;   // set by Produce
    int64_t outcome = 0;    // set by Produce, handed over untouched (free for a producer's own use)
    bool needsCoding = false;  // set by Produce: Code runs on this slot
    int64_t coded = 0;      // set by Code
    BlockFault fault = BlockFault::None;  // set by Produce or Code when the block failed
    int64_t plain = 0;      // the drive bytes the block stands for, set by Produce or Code
    int64_t progress = -1;  // set by Produce: where the source stands after the block, in its own measure
};

constexpr size_t BLOCK_SLOT_OUT_ROOM = 589825;

class BlockPipeline {
public:
    // Fills the slot with the next block. Returns true when more blocks may
    // follow, false when this slot ends the stream. Runs on the reader thread.
    using Produce = std::function<bool(BlockSlot&)>;
    // Codes a slot whose needsCoding is set, setting `coded`. Runs on any
    // coding thread, on several slots at once.
    using Code = std::function<void(BlockSlot&)>;

    // Starts the reader and `coders` coding threads; 0 coders (or threads
    // the system refuses) run everything in Next() on the calling thread.
    BlockPipeline(Produce produce, Code code, int coders);
    ~BlockPipeline();
    BlockPipeline(const BlockPipeline&) = delete;
    BlockPipeline& operator=(const BlockPipeline&) = delete;

    // Returns the next block in read order, read and coded; it stays valid
    // until the next call. Returns nullptr after the slot that ended the
    // stream has been handed out.
    const BlockSlot* Next();

private:
    enum class State { Free, Filled, Ready };

    bool StartThreads(int coders);
    void StopThreads();
    void ReaderLoop();
    void CoderLoop();
    const BlockSlot* NextInline();
    size_t ReadyInARow() const;
    bool CallerMayGo() const;
    bool CallerDue() const;

    Produce produce_;
    Code code_;
    struct AlignedDelete {
        void operator()(uint8_t* p) const { ::operator delete[](p, std::align_val_t(ENGINE_BUFFER_ALIGNMENT)); }
    };
    std::unique_ptr<uint8_t[], AlignedDelete> storage_;
    std::vector<BlockSlot> slots_;
    std::vector<State> states_;

    std::mutex lock_;
    std::condition_variable freed_;   // enough slots were handed back, or stop
    std::condition_variable filled_;  // a slot waits for coding, or the reader ended, or stop
    std::condition_variable ready_;   // enough blocks were coded, or the reader ended
    std::deque<uint64_t> toCode_;
    uint64_t readCount_ = 0;   // slots filled so far
    uint64_t handedOut_ = 0;   // slots given to the caller so far
    size_t freeSlots_ = 0;     // slots neither filled, being filled, nor held
    size_t refill_ = 1;        // free slots a waiting reader is woken for
    size_t batch_ = 1;         // ready blocks a waiting caller is woken for
    bool readerWaiting_ = false;
    int codersWaiting_ = 0;
    bool callerWaiting_ = false;
    bool readerEnded_ = false;
    bool stop_ = false;

    std::thread reader_;
    std::vector<std::thread> coders_;
};
