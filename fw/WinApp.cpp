#include "fw/WinApp.h"

namespace {

CWinApp* g_app = nullptr;
HMODULE g_resourceModule = nullptr;

}  // namespace

CWinApp::CWinApp()
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* CWinApp::GetApp()
{
    return g_app;
}

int RunWinApp()
{
    if (g_app == nullptr)
        return 1;
    g_app->InitInstance();
    return 0;
}

HMODULE GetResourceModule()
{
    return g_resourceModule != nullptr ? g_resourceModule : GetModuleHandleW(nullptr);
}

void SetResourceModule(HMODULE module)
{
    g_resourceModule = module;
}
