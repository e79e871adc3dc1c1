#pragma once
// CGlobalBlock: owns a GlobalAlloc block (for clipboard and OLE data) until it is handed over with
// Detach(); freed with GlobalFree otherwise.
#include "framework/Handles.h"

struct GlobalMemTraits {
    using handle_type = HGLOBAL;
    static HGLOBAL Invalid() { return nullptr; }
    static void Close(HGLOBAL h) { ::GlobalFree(h); }
};

using CGlobalBlock = CScopedHandle<GlobalMemTraits>;
