// Default command handling of CCmdTarget: an object with no handlers of its own handles nothing.
#include "framework/CmdTarget.h"

bool CCmdTarget::OnOwnCmdMsg(UINT, int, void*) {
    return false;
}
