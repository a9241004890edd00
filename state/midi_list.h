// The event list the host fills with the raw MIDI of the plug-in's track.
//
// MIDI_eventlist is the interface the host calls: five virtual operations in a fixed slot order,
// no data, no virtual destructor. midi_List stores the records packed back to back in a GrowBuf
// and is walked with a byte cursor. No lock of its own: it is used by the audio thread inside the
// instance lock, and the host appends synchronously from within Track_GetRawMIDI.
#pragma once

#include <cstdint>

#include "state/growbuf.h"

// One stored event: header, then `size` message bytes (status byte first; a meta event keeps its
// file form 0xFF, type, length byte, text), then padding up to the record's stride. Little-endian.
struct MidiEventRecord {
    int32_t frame_offset;  // sample frames from the start of the fetch window
    int32_t size;          // message bytes that follow
    uint8_t message[4];    // the first message bytes; the rest follow directly

    // The message bytes; `size` of them are readable.
    const uint8_t *bytes() const { return reinterpret_cast<const uint8_t *>(this) + 8; }
    uint8_t *bytes() { return reinterpret_cast<uint8_t *>(this) + 8; }
};
static_assert(sizeof(MidiEventRecord) == 12);

// Record length for a message of `size` bytes: 8 + size rounded up to 4, at least 12. 0 when the
// size is negative or the length would not fit in 32 bits (such a record is never stored).
int32_t MidiRecordStride(int32_t size);

class MIDI_eventlist {
public:
    virtual void AppendEvent(const MidiEventRecord *event) = 0;      // slot 0
    virtual MidiEventRecord *NextEvent(int32_t *cursor) = 0;        // slot 1
    virtual void RemoveEventAt(int32_t position) = 0;               // slot 2
    virtual int32_t ByteSize() = 0;                                 // slot 3
    virtual void Clear() = 0;                                       // slot 4

protected:
    // Not virtual (the slot order above is all the host sees); never deleted through this type.
    ~MIDI_eventlist() = default;
};

class midi_List final : public MIDI_eventlist {
public:
    midi_List();
    ~midi_List();
    midi_List(const midi_List &) = delete;
    midi_List &operator=(const midi_List &) = delete;

    // Appends a copy of the record. A record with a negative size, or one the store cannot grow
    // for, is not stored and leaves the list as it was.
    void AppendEvent(const MidiEventRecord *event) override;
    // The record at *cursor, moving the cursor past it; null (cursor untouched) at the end, for
    // a cursor outside the records, or for a record that does not fit inside the filled bytes.
    // The pointer is valid until the next append or clear.
    MidiEventRecord *NextEvent(int32_t *cursor) override;
    // Removes the record starting at `position`; a position outside the records, or a record
    // running past the filled bytes, is ignored.
    void RemoveEventAt(int32_t position) override;
    int32_t ByteSize() override { return filled; }
    // Empties the list, keeping the store's memory.
    void Clear() override { filled = 0; }

    int32_t filled = 0;
    GrowBuf store;
};
