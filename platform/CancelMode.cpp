#include "platform/CancelMode.h"

namespace platform {
namespace {
CancelModeTarget* g_target = nullptr;
}

CancelModeScope::CancelModeScope(CancelModeTarget* target) : m_previous(g_target)
{
    g_target = target;
}

CancelModeScope::~CancelModeScope()
{
    g_target = m_previous;
}

void SendCancelMode()
{
    if (g_target)
        g_target->OnCancelMode();
}

} // namespace platform
