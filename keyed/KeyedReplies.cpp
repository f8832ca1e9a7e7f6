#include "keyed/KeyedReplies.h"

#include "keyed/KeyedCommands.h"
#include "keyed/NvKey.h"

namespace keyed {
namespace {

constexpr uint8_t kHeader = 0x37;
constexpr uint8_t kCapacityId = 0x30;
constexpr uint8_t kFreeRoomId = 0x31;
constexpr uint8_t kKeyListId = 0x72;
constexpr uint8_t kLastBlock = 0x40;
constexpr uint8_t kMoreBlocks = 0x41;
constexpr size_t kMaxKeysPerBlock = 40;
// Identifier, status and 80 key bytes: anything longer is not an answer.
constexpr size_t kMaxBody = 2 + 2 * kMaxKeysPerBlock;
// Eight digits: the largest memory any printer reports, and no overflow.
constexpr size_t kMaxDigits = 8;

} // namespace

ReplyReader::Fed ReplyReader::Feed(uint8_t byte)
{
    if (!m_inside) {
        if (byte == kHeader) {
            m_inside = true;
            m_body.clear();
        }
        return Fed::Nothing;
    }
    if (byte == XON || byte == XOFF)
        return Fed::Nothing;
    if (byte == 0)
        return End();
    m_body.push_back(byte);
    // An identifier of no answer here, or a body too long: it was not an answer. Start
    // looking again from this byte on.
    if ((m_body.size() == 1 && byte != kCapacityId && byte != kFreeRoomId && byte != kKeyListId) ||
        m_body.size() > kMaxBody) {
        m_inside = false;
        const bool listBroken = m_body.size() > 1 && m_body[0] == kKeyListId;
        if (byte == kHeader) {
            m_inside = true;
            m_body.clear();
        }
        return listBroken ? Fed::Malformed : Fed::Nothing;
    }
    return Fed::Nothing;
}

ReplyReader::Fed ReplyReader::End()
{
    m_inside = false;
    if (m_body.empty())
        return Fed::Nothing;
    m_reply = KeyedReply{};
    if (m_body[0] == kKeyListId) {
        if (m_body.size() < 2 || (m_body[1] != kLastBlock && m_body[1] != kMoreBlocks) ||
            m_body.size() % 2 != 0)
            return Fed::Malformed;
        m_reply.kind = ReplyKind::KeyBlock;
        m_reply.more = m_body[1] == kMoreBlocks;
        for (size_t i = 2; i < m_body.size(); i += 2) {
            std::string key{static_cast<char>(m_body[i]), static_cast<char>(m_body[i + 1])};
            if (!IsNvKey(key))
                return Fed::Malformed;
            m_reply.keys.push_back(std::move(key));
        }
        return Fed::Reply;
    }
    const size_t digits = m_body.size() - 1;
    if (digits < 1 || digits > kMaxDigits)
        return Fed::Nothing;
    for (size_t i = 1; i < m_body.size(); ++i) {
        if (m_body[i] < '0' || m_body[i] > '9')
            return Fed::Nothing;
        m_reply.number = m_reply.number * 10 + (m_body[i] - '0');
    }
    m_reply.kind = m_body[0] == kCapacityId ? ReplyKind::Capacity : ReplyKind::FreeRoom;
    return Fed::Reply;
}

} // namespace keyed
