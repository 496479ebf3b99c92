#include "image/Transfer.h"

#include "image/BlockPipeline.h"
#include "image/EngineSteps.h"
#include "image/EngineThreads.h"
#include "image/ImageHeader.h"
#include "ui/Progress.h"

#include <utility>

namespace {

constexpr auto kRoom = static_cast<size_t>(IMAGE_BLOCK_ROOM);

// Runs on a coding thread: expands a stored block with the source's codec,
// compresses it with the sink's, or both, the drive bytes between the two
// steps. Returns nothing; `coded` is the block in the sink's form, in `out`,
// and `plain` the drive bytes it stands for, unless `fault` says it failed.
void CodeBlock(BlockSlot& slot, const BlockCodec* expander, const BlockCodec* compressor)
{
    int64_t length = slot.inLength;
    if (expander) {
        length = expander->Expand(slot.in, static_cast<size_t>(length), slot.out, kRoom);
        slot.plain = length;
        if (compressor && length >= 0)
            std::swap(slot.in, slot.out);
    }
    if (compressor && length >= 0)
        length = compressor->Compress(slot.in, static_cast<size_t>(length), slot.out, kRoom);
    if (length < 0)
        slot.fault = BlockFault::CodingFailed;
    slot.coded = length;
}

// Returns the block as the sink takes it, beginning at drive offset `offset`.
Block SinkForm(const BlockSlot& slot, int64_t offset)
{
    if (slot.needsCoding)
        return {slot.out, static_cast<size_t>(slot.coded), offset};
    return {slot.in, static_cast<size_t>(slot.inLength), offset};
}

// The meter and the bar, told once per block.
class TransferProgress {
public:
    TransferProgress(const std::string& phase, int64_t total) : total_(total) { meter_.Start(phase, total); }

    // Returns nothing; the reading goes to the progress sink, then the bar moves.
    void Update(int64_t done)
    {
        CurrentProgress().SetReading(meter_.Update(done));
        bar_.Update(done, total_);
    }

private:
    int64_t total_;
    ProgressMeter meter_;
    engine::ProgressBar bar_;
};

}  // namespace

TransferResult RunTransfer(BlockSource& source, BlockSink& sink, int64_t total, const TransferRules& rules)
{
    const BlockCodec* expander = source.Codec();
    const BlockCodec* compressor = sink.Codec();
    BlockPipeline blocks(
        [&](BlockSlot& slot) {
            const bool more = source.Read(slot);
            slot.plain = slot.inLength;
            slot.needsCoding = CarriesData(slot.fault) && slot.inLength > 0 && (expander || compressor);
            return more;
        },
        [&](BlockSlot& slot) { CodeBlock(slot, expander, compressor); }, EngineCodingThreads());
    // A source may count its progress in a measure of its own (its file's
    // bytes), where the drive bytes in all are not known before its end.
    const int64_t measured = source.ProgressTotal();
    TransferProgress progress(rules.phase, measured >= 0 ? measured : total);

    int64_t done = 0;
    bool complete = false;
    bool aborted = false;
    bool letPass = false;
    // Returns true when the fault may be let pass, and notes that it was.
    auto passes = [&](BlockFault fault) {
        if (!rules.goOn(fault))
            return false;
        letPass = true;
        return true;
    };
    for (;;) {
        const BlockSlot* slot = blocks.Next();
        if (!slot)
            break;
        const bool sourceEnd = slot->fault == BlockFault::None && slot->inLength == 0;
        bool ended = sourceEnd;
        if (slot->fault != BlockFault::None && !passes(slot->fault))
            return {TransferEnd::Failed, slot->fault, done, letPass};
        if (!CarriesData(slot->fault)) {
            ended = true;
        } else if (slot->plain > 0) {
            const BlockFault put = sink.Put(SinkForm(*slot, done));
            if (put != BlockFault::None && !passes(put))
                return {TransferEnd::Failed, put, done, letPass};
            done += slot->plain;
        }
        complete = total == TRANSFER_UNTIL_SOURCE_ENDS ? sourceEnd : total <= done;
        if (complete) {
            const BlockFault finish = sink.Finish();
            if (finish != BlockFault::None && !passes(finish))
                return {TransferEnd::Failed, finish, done, letPass};
        }
        progress.Update(measured >= 0 ? slot->progress : done);
        aborted = engine::AbortConfirmed(rules.abortQuestion, rules.caption);
        CurrentProgress().DoEvents();
        if (ended || aborted || complete)
            break;
    }
    if (complete)
        return {TransferEnd::Complete, BlockFault::None, done, letPass};
    return {aborted ? TransferEnd::Aborted : TransferEnd::EndedEarly, BlockFault::None, done, letPass};
}
