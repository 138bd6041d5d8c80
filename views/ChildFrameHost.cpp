#include "views/ChildFrameHost.h"

namespace
{
IChildFrameHost* g_host = nullptr;
}

IChildFrameHost* ChildFrameHost()
{
    return g_host;
}

void SetChildFrameHost(IChildFrameHost* host)
{
    g_host = host;
}
