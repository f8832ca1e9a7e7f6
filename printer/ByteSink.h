#pragma once
// Where the bytes of a download or a print go: a port, an output file, or a test's
// buffer. The stream writers only know this.
#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // True when all length bytes were handed over (a write of zero bytes succeeds).
    virtual bool WriteBuffer(const uint8_t* data, uint32_t length) = 0;
};

// Collects everything written; tests and the file case of the command-line tool use it.
class MemorySink final : public ByteSink {
public:
    bool WriteBuffer(const uint8_t* data, uint32_t length) override
    {
        bytes.insert(bytes.end(), data, data + length);
        writes.push_back(length);
        return failing.count(writes.size() - 1) == 0;
    }
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> writes; // the length of every write, in order
    std::set<size_t> failing;     // writes (numbered from 0) that report failure; their bytes are kept
};
