#include "app/NvLogoApp.h"

#include <cstdio>

#include "app/WorkDirWarning.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Paths.h"
#include "platform/WorkDir.h"

CNvLogoApp::CNvLogoApp() : m_strProfileBase(platform::ExecutableBaseName() + ".INI")
{
}

CNvLogoApp::StartResult CNvLogoApp::AcquireGuard()
{
    if (m_hMutex.Held())
        return StartResult::Run;
    switch (m_hMutex.Acquire(kInstanceGuardName, m_strLockDir)) {
    case platform::SingleInstance::Result::Acquired:
        break;
    case platform::SingleInstance::Result::AlreadyRunning:
        return StartResult::AlreadyRunning;
    case platform::SingleInstance::Result::Failed:
        return StartResult::GuardFailed;
    }
    return StartResult::Run;
}

ReloadResult CNvLogoApp::LoadStoredList()
{
    std::string& workDir = m_session.m_strWorkDir;
    if (platform::GetCurrentDir(workDir)) {
        std::printf("%s\n", workDir.c_str());
        std::fflush(stdout);
    } else
        std::perror("_getcwd error");
    // Every profile read and write goes to this file in the working directory.
    m_session.m_strProfilePath = platform::JoinPath(workDir, m_strProfileBase);
    return m_session.LoadProfile();
}

void ReportReload(const ReloadResult& result)
{
    if (const std::string text = ReloadWarningText(result); !text.empty())
        platform::AfxMessageBox(text, platform::MB_ICONEXCLAMATION);
    if (result.tooMany)
        platform::AfxMessageBox(msg::kTooManyFiles, platform::MB_OK);
}

void CNvLogoApp::ShutDown()
{
    m_session.m_list.Clear();
    m_hMutex.Release();
}

bool CNvLogoApp::InitInstance(const SheetRunner& runSheet)
{
    if (AcquireGuard() != StartResult::Run)
        return false;
    ReportReload(LoadStoredList());
    if (WarnIfWorkDirUnwritable(m_session.m_strWorkDir))
        WarnIfProfileUnreadable(m_session.m_strProfilePath);
    if (runSheet)
        runSheet(*this);
    ShutDown();
    return false;
}
