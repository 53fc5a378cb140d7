#pragma once
// Command handling: a target maps command ids to a handler and an optional update handler.
#include <functional>
#include <unordered_map>

// State an update handler sets for one command before a menu or toolbar shows it.
class CCmdUI {
public:
    explicit CCmdUI(int nId) : m_nID(nId) {}
    void Enable(bool bOn = true) { m_bEnabled = bOn; }
    void SetCheck(bool bOn = true) { m_bChecked = bOn, m_bCheckable = true; }

    int m_nID;
    bool m_bEnabled = true;
    bool m_bChecked = false;
    bool m_bCheckable = false;
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // True when this target handles nId. With pUpdate it only fills in the command's state;
    // without it runs the handler.
    bool OnCmdMsg(int nId, CCmdUI* pUpdate);

    using FnRun = std::function<void()>;
    using FnUpdate = std::function<void(CCmdUI&)>;
    void OnCommand(int nId, FnRun fnRun, FnUpdate fnUpdate = {});
    // One handler pair for every id of [nFirst, nLast]; the id is passed on.
    void OnCommandRange(int nFirst, int nLast, std::function<void(int)> fnRun,
                        std::function<void(int, CCmdUI&)> fnUpdate = {});

private:
    struct SHandler {
        FnRun fnRun;
        FnUpdate fnUpdate;
    };
    std::unordered_map<int, SHandler> m_handlers;
};
