#include "ui/PageContext.h"

#include "app/NvLogoApp.h"

const platform::Context& PageContext()
{
    if (const CNvLogoApp* app = AfxGetApp())
        return app->m_context;
    static const platform::Context machine;
    return machine;
}
