// The per-instance settings chunk: 4 bytes, no header —
//   0: skill (low 8 bits)   1: mode (low 8 bits)   2..3: hopo_threshold, low 16 bits, little-endian.
// Written without the lock: each setting is one 32-bit store the audio thread reads whole.
#include "plugin/dispatcher.h"
#include "state/instance.h"

namespace {

// Grows the chunk by one byte and writes it only if the growth succeeded.
void AppendChunkByte(PreviewInstance &instance, uint8_t byte) {
    GrowBuf &buf = instance.chunk_buf;
    if (instance.chunk_read_pos > 0 && instance.chunk_read_pos >= buf.used) {
        // Everything handed out was consumed: start over at the front.
        instance.chunk_read_pos = 0;
        buf.Resize(0, false);
    }
    const int32_t old = buf.used;
    buf.Resize(old + 1, false);
    if (buf.used == old + 1) buf.data[old] = byte;
}

}  // namespace

int32_t PreviewInstance::GetChunk(void **out) {
    chunk_read_pos = 0;
    chunk_buf.Resize(0, false);
    const int32_t threshold = hopo_threshold.load(std::memory_order_relaxed);
    AppendChunkByte(*this, static_cast<uint8_t>(skill.load(std::memory_order_relaxed) & 0xFF));
    AppendChunkByte(*this, static_cast<uint8_t>(mode.load(std::memory_order_relaxed) & 0xFF));
    AppendChunkByte(*this, static_cast<uint8_t>(threshold & 0xFF));
    AppendChunkByte(*this, static_cast<uint8_t>((threshold >> 8) & 0xFF));
    // A chunk missing a byte (memory exhausted part-way) would be stored by the host as settings
    // shifted into the wrong fields: hand out nothing rather than a corrupt chunk.
    const bool whole = chunk_buf.used == PREVIEW_CHUNK_SIZE;
    const bool inside = whole && chunk_read_pos >= 0 && chunk_read_pos < chunk_buf.used;
    if (out) *out = inside ? chunk_buf.data + chunk_read_pos : nullptr;
    return inside ? chunk_buf.used - chunk_read_pos : 0;
}

void PreviewInstance::SetChunk(const void *data, intptr_t length) {
    if (!data || length < 2) return;
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    skill.store(static_cast<int8_t>(bytes[0]), std::memory_order_relaxed);
    mode.store(static_cast<int8_t>(bytes[1]), std::memory_order_relaxed);
    if (length >= 4) hopo_threshold.store(bytes[2] + 256 * bytes[3], std::memory_order_relaxed);
    highway_dirty = 1;
}
