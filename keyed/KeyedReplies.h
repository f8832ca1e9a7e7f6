#pragma once
// Reading the printer's answers to the key-coded requests from the bytes as they come,
// one at a time or in any pieces:
//   fn 48 capacity   37 30 <decimal digits> 00
//   fn 51 free room  37 31 <decimal digits> 00
//   fn 64 key list   37 72 <41 more follow | 40 last> <key pairs, at most 40> 00
// Between an answer's 37h and its NUL the printer sends nothing else, except that a
// serial line may carry XON / XOFF, which are skipped. Outside answers the printer may
// send automatic status bytes; none of them can be 37h, so everything up to a 37h is
// skipped.
//
// Thread-safety: one thread at a time.
#include <cstdint>
#include <string>
#include <vector>

namespace keyed {

enum class ReplyKind { Capacity, FreeRoom, KeyBlock };

struct KeyedReply {
    ReplyKind kind = ReplyKind::Capacity;
    uint64_t number = 0;           // Capacity, FreeRoom
    bool more = false;             // KeyBlock: another block follows
    std::vector<std::string> keys; // KeyBlock
};

class ReplyReader {
public:
    enum class Fed {
        Nothing,   // the byte was skipped or is part of an answer not yet complete
        Reply,     // the byte ended an answer: Reply() holds it
        Malformed, // the byte ended a key-list block that cannot be read (NAK it)
    };

    Fed Feed(uint8_t byte);
    const KeyedReply& Reply() const { return m_reply; }

private:
    Fed End();

    bool m_inside = false;
    std::vector<uint8_t> m_body; // after 37h, without XON / XOFF
    KeyedReply m_reply;
};

} // namespace keyed
