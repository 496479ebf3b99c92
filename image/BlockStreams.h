// The two ends of a transfer (image/Transfer.h): a block source delivers the
// blocks one after the other, a block sink takes them in the same order.
// Each end knows its own medium and framing and nothing else: the drive, a
// .kvi file, and whatever formats come later, in any pairing. The codec
// between them comes from the ends themselves: a source whose blocks are
// stored expands them with its codec, a sink that stores blocks compresses
// them with its own.
#pragma once

#include "image/BlockCodec.h"
#include "image/BlockFault.h"
#include "image/BlockPipeline.h"

#include <cstddef>
#include <cstdint>

class BlockSource {
public:
    virtual ~BlockSource() = default;

    // Reads the next block into slot.in (room for IMAGE_BLOCK_ROOM bytes),
    // setting slot.inLength, and slot.fault when the read failed. A slot
    // with no bytes and no fault is the end of the source. Returns true
    // while more blocks may follow; false when this slot ends the stream
    // (its last block, its end, or a fault). Runs on the pipeline's reader
    // thread.
    virtual bool Read(BlockSlot& slot) = 0;

    // Returns the codec the blocks are stored with, or nullptr when they are
    // a drive's bytes as they are.
    virtual const BlockCodec* Codec() const { return nullptr; }

    // Returns the total of the measure the source tells its progress in
    // (slot.progress, set by Read), when it does: a compressed stream whose
    // drive bytes are not known before the end counts its file's bytes.
    // -1 when progress counts the drive bytes against the transfer's total.
    virtual int64_t ProgressTotal() const { return -1; }
};

// One block as a sink takes it: the bytes in the sink's own form, and where
// the drive bytes it stands for begin.
struct Block {
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    int64_t offset = 0;  // drive offset of the block's first byte
};

class BlockSink {
public:
    virtual ~BlockSink() = default;

    // Takes the next block, in drive order, on the calling thread. Returns
    // BlockFault::None, or what failed.
    virtual BlockFault Put(const Block& block) = 0;

    // Makes everything put lasting (on the storage itself), once the drive's
    // size has been reached. Returns BlockFault::None, or what failed.
    virtual BlockFault Finish() = 0;

    // Returns the codec the sink stores blocks with, or nullptr when it
    // takes a drive's bytes as they are.
    virtual const BlockCodec* Codec() const { return nullptr; }
};
