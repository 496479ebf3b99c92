// What can go wrong with one block on its way from a source through a codec
// into a sink. The sources, codecs and sinks name the fault; the routine
// that runs the transfer decides what each means to the user: the question
// it asks, the result code it returns.
#pragma once

enum class BlockFault {
    None,
    DriveReadFailed,    // a read call of the drive failed
    SectorsUnreadable,  // a read of the drive failed; the block was read again sector by
                        // sector and its unreadable sectors are zeros: it still carries data
    LengthCutShort,     // the image file ends inside a block's length field
    LengthUnreadable,   // reading a block's length field failed
    LengthOutOfRange,   // a length field negative or beyond the room of a block
    BlockUnreadable,    // reading a stored block failed
    BlockCutShort,      // the image file ends inside a stored block
    CodingFailed,       // the codec could not compress or expand the block
    LengthWriteFailed,  // writing a block's length field failed
    DataWriteFailed,    // writing a stored block, or making the image lasting, failed
    DriveWriteFailed,   // a write call of the drive failed
    FlushFailed,        // the drive could not make what was written lasting
    VerifyMismatch,     // what the drive holds differs from what was written there
    StreamDamaged,      // a raw image's compressed stream is damaged, cut short, or followed by other bytes
    ImageChanged,       // a raw image's file changed while it was read
    BeyondDriveEnd,     // a raw image holds bytes that are not zero past the drive's end, or too many of them
};

// Returns true when a block with this fault still carries its bytes.
inline bool CarriesData(BlockFault fault)
{
    return fault == BlockFault::None || fault == BlockFault::SectorsUnreadable;
}
