#pragma once
// The context the window's pages open their printer links with and find the ports by:
// the application object's (CNvLogoApp::m_context), so that a test that builds its own
// application object gives the pages its clock, limits and device tree. Without an
// application object, the real machine with its defaults. Until the pages are handed
// their context when they are made, this is the one place that finds it.
#include "platform/Context.h"

const platform::Context& PageContext();
