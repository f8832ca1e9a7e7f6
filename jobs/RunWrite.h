#pragma once
// One write of a run on its link, with the diagnostic trace lines of the writer it
// stands for: the Download page's own writes (the check and ESC @), the download
// dialog's writes (FS q and the images), or none (a print, the Apply test). The lines
// go to the context's trace hook, which discards them unless someone listens.
//
// Thread-safety: on the link's thread, like every use of a link.
#include <cstdint>
#include <span>

#include "printer/Link.h"

namespace jobs {

enum class WriteTrace {
    None,
    Page,     // "[VARNEX] WriteBuffer()" and its sisters; an output file is written plainly
    Progress, // "[VARNEX] CPrograss::WriteBuffer()" ...; plainly unless the device is COM or LPT
};

// Writes all of bytes; the link's result. device is the port name the run was given.
printer::Link::Written RunWrite(printer::Link& link, std::span<const uint8_t> bytes, WriteTrace trace,
                                const std::string& device = {});

} // namespace jobs
