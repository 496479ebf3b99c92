// The one block loop of the engine: blocks go from a source through the
// codecs of the two ends into a sink,
//
//     BlockSource ──▶ codec (the pipeline's coding threads) ──▶ BlockSink
//
// and are handed to the sink in order on the calling thread (see
// image/BlockPipeline.h), which after each block moves the progress meter
// and the bar, polls Cancel (asking the routine's abort question) and lets
// events through. What a failed block means is left to the routine that
// runs the transfer: its rules ask its own questions, and it turns the
// fault that ended the transfer into its own result code.
#pragma once

#include "image/BlockFault.h"
#include "image/BlockStreams.h"

#include <cstdint>
#include <functional>
#include <string>

struct TransferRules {
    std::string phase;          // the meter's phase: "Creating", "Restoring"
    std::string abortQuestion;  // asked (Yes/No, No preselected) after Cancel
    std::string caption;        // of that question
    // Returns true when the run goes on after `fault` (the routine may ask
    // the user first), false when the fault ends it. Let pass, a block that
    // failed in the source or the codec counts as the end of the source, one
    // that still carries data (unreadable sectors as zeros) goes on like any
    // block; a block whose write failed counts as written, a failed Finish
    // as done.
    std::function<bool(BlockFault)> goOn;
};

enum class TransferEnd {
    Complete,    // the total was reached and the sink finished (an abort asked at the last block included)
    Aborted,     // the user confirmed the abort question
    EndedEarly,  // the source ended, or a fault was let pass, before the total
    Failed,      // `fault` ended it
};

struct TransferResult {
    TransferEnd end = TransferEnd::EndedEarly;
    BlockFault fault = BlockFault::None;  // with Failed: the fault that ended it
    int64_t offset = 0;  // drive bytes through before the block that ended it
    bool faultsLetPass = false;  // a fault was let pass: what is through is not all it should be
};

// The total of a transfer whose drive bytes are known only once the source
// has ended (a compressed stream): its clean end completes the transfer.
constexpr int64_t TRANSFER_UNTIL_SOURCE_ENDS = -1;

// Moves blocks from `source` to `sink` until `total` drive bytes are
// through, the source ends, the user aborts, or a fault is not let pass;
// one pass at least, even for a total of 0. Returns how it ended.
TransferResult RunTransfer(BlockSource& source, BlockSink& sink, int64_t total, const TransferRules& rules);
