#include "image/EngineBuffers.h"

alignas(ENGINE_BUFFER_ALIGNMENT) std::array<uint8_t, IMAGE_BLOCK_ROOM> abReadBuffer_g;
alignas(ENGINE_BUFFER_ALIGNMENT) std::array<uint8_t, 589825> abWriteBuffer_g;

static_assert(IMAGE_BLOCK_ROOM >= IMAGE_BLOCK_SIZE);
static_assert(sizeof(abWriteBuffer_g) > IMAGE_BLOCK_ROOM);
