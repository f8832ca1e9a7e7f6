#pragma once
// The two NV memories of an emulated printer: the NV bit images of FS q (numbered 1 to
// n, replaced as a whole) and the key-coded NV graphics of GS ( L (added, replaced and
// deleted one key at a time, within a capacity). Many printers keep only one of the two:
// defining a key-coded graphic erases every FS q image and FS q erases every key-coded
// graphic; eraseAcross models them, render and --keep-both keep both.
//
// Thread-safety: one thread at a time.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "download/StreamDecoder.h"

class NvMemory {
public:
    // What a key-coded graphic takes beyond its data (the printer's control record).
    static constexpr uint64_t kControlBytes = 24;

    struct Options {
        uint64_t capacity = 262144; // key-coded memory in bytes; 0 = without limit
        bool eraseAcross = true;
        uint64_t classicCapacity = 0; // FS q image data in bytes; 0 = without limit
    };

    NvMemory() : NvMemory(Options{}) {}
    explicit NvMemory(Options options) : m_options(options) {}

    // FS q n: the NV bit images go (and, erasing across, the key-coded graphics).
    void BeginClassic();
    // One image record of the FS q begun last; it becomes NV image Classic().size().
    // False when its data would exceed the FS q memory: it is then kept empty.
    bool AddClassic(NvDefinition image);
    // NV image number (1..n), null when not stored.
    const NvDefinition* Classic(int number) const;
    const std::vector<NvDefinition>& ClassicImages() const { return m_classic; }

    // fn 67: false, and nothing changes, when the graphic does not fit the free room
    // (the room of a graphic it replaces counts as free).
    bool Define(KeyedGraphic graphic);
    // fn 66: false when the key is not stored.
    bool Delete(const std::string& key);
    // fn 65.
    void DeleteAll();
    const KeyedGraphic* Keyed(const std::string& key) const;
    const std::map<std::string, KeyedGraphic>& KeyedGraphics() const { return m_keyed; }
    // The bytes a graphic of this many data bytes takes.
    static uint64_t Footprint(size_t dataBytes) { return dataBytes + kControlBytes; }

    uint64_t Capacity() const { return m_options.capacity; }
    uint64_t Free() const;

    // The whole memory as bytes, and back. Load refuses (false, memory unchanged) any
    // bytes that are not exactly what Save makes.
    std::vector<uint8_t> Save() const;
    bool Load(const std::vector<uint8_t>& bytes);

private:
    Options m_options;
    std::vector<NvDefinition> m_classic;
    std::map<std::string, KeyedGraphic> m_keyed;
    uint64_t m_used = 0;
    uint64_t m_classicUsed = 0;
};
