#pragma once
// Base of every object that can take a command: the routing entry point (OnCmdMsg) and the
// object's own handlers (OnOwnCmdMsg), kept apart so routing order never depends on overriding.
#include <windows.h>

class CCmdUI;

// What a routed call asks for.
enum : int {
    CN_COMMAND = 0,            // run the command; pExtra non-null only asks whether a handler exists
    CN_UPDATE_COMMAND_UI = -1, // pExtra is the CCmdUI to enable, check or retext
};

class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    // Routes a command or its update through this object and whatever it passes it on to.
    // Returns true when someone handled it. The default asks only the object itself.
    virtual bool OnCmdMsg(UINT nID, int nCode, void* pExtra) { return OnOwnCmdMsg(nID, nCode, pExtra); }

    // Runs or updates one command if this object's class (or a base class) handles it. Derived
    // classes handle their ids and pass everything else to their base class.
    virtual bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra);

    // Runs (or probes) a command through the route starting here.
    bool ExecuteCommand(UINT nID) { return OnCmdMsg(nID, CN_COMMAND, nullptr); }

protected:
    // Helpers for OnOwnCmdMsg: one line per command id.
    //   case ID_EDIT_CUT: return Handle(nCode, pExtra, [&] { OnEditCut(); }, [&](CCmdUI* p) { ... });
    template <typename Run, typename Update> static bool Handle(int nCode, void* pExtra, Run&& run, Update&& update);
    template <typename Run> static bool Handle(int nCode, void* pExtra, Run&& run);
    template <typename Update> static bool HandleUpdate(int nCode, void* pExtra, Update&& update);
};

template <typename Run, typename Update> bool CCmdTarget::Handle(int nCode, void* pExtra, Run&& run, Update&& update) {
    if (nCode == CN_UPDATE_COMMAND_UI) {
        update(static_cast<CCmdUI*>(pExtra));
        return true;
    }
    if (nCode == CN_COMMAND) {
        if (!pExtra)
            run();
        return true;
    }
    return false;
}

template <typename Run> bool CCmdTarget::Handle(int nCode, void* pExtra, Run&& run) {
    if (nCode != CN_COMMAND)
        return false; // no update handler: the menu shows the item enabled because a handler exists
    if (!pExtra)
        run();
    return true;
}

template <typename Update> bool CCmdTarget::HandleUpdate(int nCode, void* pExtra, Update&& update) {
    if (nCode != CN_UPDATE_COMMAND_UI)
        return false;
    update(static_cast<CCmdUI*>(pExtra));
    return true;
}
