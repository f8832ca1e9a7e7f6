#include "app/NvLogoApp.h"

#include <cstdio>

#include "app/SharedRecord.h"
#include "app/WorkDirWarning.h"
#include "logo/StoredList.h"
#include "platform/Paths.h"
#include "platform/WorkDir.h"

namespace {
CNvLogoApp* g_app = nullptr;
}

CNvLogoApp* AfxGetApp()
{
    return g_app;
}
void SetApp(CNvLogoApp* app)
{
    g_app = app;
}

CNvLogoApp::CNvLogoApp() : m_strProfileBase(platform::ExecutableBaseName() + ".INI")
{
}

CNvLogoApp::~CNvLogoApp()
{
    if (g_app == this)
        g_app = nullptr;
}

std::string CNvLogoApp::GetProfileString(const std::string& section, const std::string& key) const
{
    return Profile().GetProfileString(section, key);
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

void CNvLogoApp::LoadStoredList()
{
    if (platform::GetCurrentDir(m_szWorkDir)) {
        std::printf("%s\n", m_szWorkDir.c_str());
        std::fflush(stdout);
    } else
        std::perror("_getcwd error");
    // Every profile read and write goes to this file in the working directory.
    m_pszProfileName = platform::JoinPath(m_szWorkDir, m_strProfileBase);

    m_bListLoaded = false;
    m_loader.Reset();
    g_Shared.m_nProfileCount = 0;
    const int keys = ReloadStoredList(m_loader, Profile(), [](int number) {
        g_Shared.m_nStoredCount = number;
        g_Shared.m_nProfileCount = number;
    });
    m_bListLoaded = keys > 0;
}

void CNvLogoApp::ShutDown()
{
    g_Shared.m_arrNumber.clear();
    g_Shared.m_arrName.clear();
    g_Shared.m_arrSize.clear();
    g_Shared.m_arrPath.clear();
    m_hMutex.Release();
}

bool CNvLogoApp::InitInstance(const SheetRunner& runSheet)
{
    if (AcquireGuard() != StartResult::Run)
        return false;
    LoadStoredList();
    if (WarnIfWorkDirUnwritable(m_szWorkDir))
        WarnIfProfileUnreadable(m_pszProfileName);
    if (runSheet)
        runSheet(*this);
    ShutDown();
    return false;
}
