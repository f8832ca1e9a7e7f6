#include "printer/FileLink.h"

#include <cerrno>

namespace printer {

std::unique_ptr<FileLink> FileLink::Create(const platform::Context& context, const std::string& path,
                                           LinkStatus& status)
{
    std::unique_ptr<FileLink> link(new FileLink(context, path));
    std::string error;
    if (!link->m_file.Open(path, error)) {
        status = LinkStatus::FromErrno(errno == 0 ? EINVAL : errno, path);
        status.code = LinkStatus::Code::Failed; // the reason names the file: detail
        status.detail = error;
        return nullptr;
    }
    status = LinkStatus::Success();
    return link;
}

FileLink::FileLink(const platform::Context& context, const std::string& path)
    : Link(Kind::File, path, context, {})
{
}

FileLink::~FileLink()
{
    Close();
}

Link::Written FileLink::Write(std::span<const uint8_t> bytes)
{
    Written written;
    if (!m_file.IsOpen()) {
        written.status = Note(LinkStatus::FromErrno(EBADF));
        return written;
    }
    if (!m_file.Write(bytes)) {
        written.status = Note(LinkStatus::FromErrno(errno));
        return written;
    }
    written.bytes = bytes.size();
    m_written += bytes.size();
    return written;
}

bool FileLink::WriteAtOnce(std::span<const uint8_t> bytes)
{
    return Write(bytes).Complete(bytes.size());
}

long FileLink::Read(std::span<uint8_t>, std::chrono::milliseconds)
{
    Note(LinkStatus::FromErrno(EBADF));
    return -1;
}

LinkStatus FileLink::Drain()
{
    // What was written is "delivered" once it is on disk; the file is put in place at
    // the close.
    if (!m_file.IsOpen() || m_file.Flush())
        return LinkStatus::Success();
    return Note(LinkStatus::FromErrno(errno));
}

LinkStatus FileLink::Close()
{
    if (!m_file.IsOpen())
        return LinkStatus::Success();
    std::string error;
    if (m_file.Commit(error))
        return LinkStatus::Success();
    LinkStatus status = LinkStatus::FromErrno(errno == 0 ? EIO : errno);
    status.code = LinkStatus::Code::Failed;
    status.detail = error;
    return Note(status);
}

void FileLink::Abandon()
{
    m_file.Discard();
}

} // namespace printer
