#pragma once
// An output file that takes a run's bytes instead of a printer ("Print To File"). The
// bytes go to a temporary file beside the target, which the close puts in place; the
// target rules of platform/AtomicFile.h apply (a link is replaced, never followed; a
// device, FIFO or folder there is refused). Nothing is ever waited for and nothing
// answers; the drain puts what was written on disk.
#include "platform/AtomicFile.h"
#include <memory>

#include "printer/Link.h"

namespace printer {

class FileLink final : public Link {
public:
    // Null with status (NotFound, Permission, Failed with the reason in detail) when
    // the file cannot be made.
    static std::unique_ptr<FileLink> Create(const platform::Context& context, const std::string& path,
                                            LinkStatus& status);
    ~FileLink() override;

    Written Write(std::span<const uint8_t> bytes) override;
    bool WriteAtOnce(std::span<const uint8_t> bytes) override;
    long Read(std::span<uint8_t> into, std::chrono::milliseconds wait) override;
    LinkStatus Drain() override;
    LinkStatus Close() override;
    void Abandon() override;
    bool IsOpen() const override { return m_file.IsOpen(); }

private:
    FileLink(const platform::Context& context, const std::string& path);

    platform::OutputFile m_file;
};

} // namespace printer
