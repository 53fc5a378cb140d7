#include "framework/CmdTarget.h"

bool CCmdTarget::OnCmdMsg(int nId, CCmdUI* pUpdate)
{
    auto it = m_handlers.find(nId);
    if (it == m_handlers.end())
        return false;
    // Copy: a handler may destroy this target (Close) while it runs.
    SHandler handler = it->second;
    if (pUpdate) {
        if (handler.fnUpdate)
            handler.fnUpdate(*pUpdate);
        return true;
    }
    if (handler.fnRun)
        handler.fnRun();
    return true;
}

void CCmdTarget::OnCommand(int nId, FnRun fnRun, FnUpdate fnUpdate)
{
    m_handlers[nId] = SHandler{std::move(fnRun), std::move(fnUpdate)};
}

void CCmdTarget::OnCommandRange(int nFirst, int nLast, std::function<void(int)> fnRun,
                                std::function<void(int, CCmdUI&)> fnUpdate)
{
    for (int nId = nFirst; nId <= nLast; ++nId) {
        FnUpdate fnUp;
        if (fnUpdate)
            fnUp = [fnUpdate, nId](CCmdUI& ui) { fnUpdate(nId, ui); };
        OnCommand(nId, [fnRun, nId] { fnRun(nId); }, fnUp);
    }
}
