// CFrameWnd: creation from a resource id, the client layout with control bars, the command route,
// menu item updates and prompts, the title rule, dropped files, DDE open requests and closing.
#include "framework/FrameWnd.h"
#include "framework/Clipboard.h"
#include "framework/CmdUI.h"
#include "framework/DdeRequest.h"
#include "framework/DockBar.h"
#include "framework/DockContext.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/Dpi.h"
#include "framework/FrameworkIds.h"
#include "framework/MiniFrame.h"
#include "framework/StatusBar.h"
#include "framework/Strings.h"
#include "framework/View.h"
#include "framework/WinApp.h"
#include <dde.h>
#include <algorithm>
#include <climits>
#include <shellapi.h>

namespace {
// A request from a program whose window is not Unicode, in the system's ANSI code page.
bool AnsiRequestToText(const unsigned char* pBytes, size_t nBytes, std::wstring& text) {
    if (nBytes > static_cast<size_t>(INT_MAX))
        return false;
    const auto* psz = reinterpret_cast<const char*>(pBytes);
    const int n = static_cast<int>(nBytes);
    const int nUnits = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, psz, n, nullptr, 0);
    if (nUnits <= 0)
        return false;
    text.resize(static_cast<size_t>(nUnits));
    return ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, psz, n, text.data(), nUnits) == nUnits;
}
} // namespace

CFrameWnd::CFrameWnd() = default;

CFrameWnd::~CFrameWnd() {
    // Mini-frames and dock bars go while the frame's window (their owner and parent) is still
    // there, floating ones first.
    m_miniFrames.clear();
    m_dockBars.clear();
}

bool CFrameWnd::Create(const wchar_t* pszTitle, DWORD dwStyle, const RECT* pRect, HWND hParent, HMENU hMenu) {
    std::wstring strClass =
        RegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                         m_hIcon ? m_hIcon : ::LoadIconW(nullptr, IDI_APPLICATION));
    auto nMenu = reinterpret_cast<UINT_PTR>(hMenu);
    if (pRect)
        return CreateEx(0, strClass.c_str(), pszTitle, dwStyle, *pRect, hParent, nMenu);
    return CreateEx(0, strClass.c_str(), pszTitle, dwStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    hParent, nMenu);
}

bool CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwStyle, HWND hParent, CCreateContext* pContext) {
    HINSTANCE hInst = ::GetModuleHandleW(nullptr);
    std::wstring strDoc = LoadStringResource(nIDResource);
    m_strTitle = strDoc.substr(0, strDoc.find(L'\n'));
    m_hIcon = ::LoadIconW(hInst, MAKEINTRESOURCEW(nIDResource));
    m_hIconSmall =
        static_cast<HICON>(::LoadImageW(hInst, MAKEINTRESOURCEW(nIDResource), IMAGE_ICON,
                                        ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    HMENU hMenu = ::LoadMenuW(hInst, MAKEINTRESOURCEW(nIDResource));
    m_pCreateContext = pContext;
    bool bCreated = Create(m_strTitle.c_str(), dwStyle, nullptr, hParent, hMenu);
    m_pCreateContext = nullptr;
    if (!bCreated) {
        if (hMenu)
            ::DestroyMenu(hMenu);
        return false;
    }
    if (m_hIconSmall)
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIconSmall));
    m_hAccelTable = ::LoadAcceleratorsW(hInst, MAKEINTRESOURCEW(nIDResource));
    CWinApp* pApp = AfxGetApp();
    if (pApp && !pApp->m_pMainWnd && !hParent)
        pApp->m_pMainWnd = this;
    return true;
}

int CFrameWnd::OnCreate(CREATESTRUCTW* pCreate) {
    if (CWnd::OnCreate(pCreate) == -1)
        return -1;
    if (m_pCreateContext && !OnCreateClient(pCreate, m_pCreateContext))
        return -1;
    return 0;
}

bool CFrameWnd::OnCreateClient(CREATESTRUCTW*, CCreateContext* pContext) {
    if (!pContext || !pContext->m_pNewViewClass)
        return true;
    CView* pView = pContext->m_pNewViewClass();
    if (!pView)
        return false;
    pView->m_bAutoDelete = true;
    pView->SetDocument(pContext->m_pCurrentDoc);
    if (!pView->CreateView(m_hWnd, AFX_IDW_PANE_FIRST, RECT{0, 0, 0, 0})) {
        // A view whose window never existed gets no PostNcDestroy.
        if (!pView->m_hWnd)
            delete pView;
        return false;
    }
    SetActiveView(pView);
    return true;
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, bool bMakeVisible) {
    if (!m_pViewActive && pDoc)
        SetActiveView(pDoc->GetFirstView());
    if (m_pViewActive)
        m_pViewActive->OnInitialUpdate();
    OnUpdateFrameTitle(true);
    if (!bMakeVisible)
        return;
    int nCmdShow = -1;
    CWinApp* pApp = AfxGetApp();
    if (pApp && pApp->m_pMainWnd == this) {
        nCmdShow = pApp->m_nCmdShow; // the show state the process was started with, used once
        pApp->m_nCmdShow = -1;
    }
    ActivateFrame(nCmdShow);
    if (m_pViewActive && m_pViewActive->m_hWnd)
        m_pViewActive->SetFocus();
}

void CFrameWnd::ActivateFrame(int nCmdShow) {
    if (nCmdShow == -1) {
        if (!::IsWindowVisible(m_hWnd))
            nCmdShow = SW_SHOWNORMAL;
        else if (::IsIconic(m_hWnd))
            nCmdShow = SW_RESTORE;
    }
    if (nCmdShow != -1) {
        ShowWindow(nCmdShow);
        ::BringWindowToTop(m_hWnd);
    }
}

void CFrameWnd::OnUpdateFrameTitle(bool bAddToTitle) {
    if (!m_hWnd || !(GetStyle() & FWS_ADDTOTITLE))
        return;
    std::wstring strTitle = m_strTitle;
    CDocument* pDoc = GetActiveDocument();
    if (bAddToTitle && pDoc)
        strTitle = pDoc->GetTitle() + L" - " + m_strTitle;
    // Setting an unchanged title would make the caption flicker on every idle pass.
    if (GetWindowText() != strTitle)
        SetWindowText(strTitle.c_str());
}

void CFrameWnd::SetActiveView(CView* pView) {
    m_pViewActive = pView;
    if (m_hWnd)
        RecalcLayout();
}

CDocument* CFrameWnd::GetActiveDocument() const {
    return m_pViewActive ? m_pViewActive->GetDocument() : nullptr;
}

CControlBar* CFrameWnd::GetControlBar(UINT nID) const {
    for (CControlBar* pBar : AllControlBars())
        if (pBar->m_hWnd && static_cast<UINT>(pBar->GetDlgCtrlID()) == nID)
            return pBar;
    return nullptr;
}

std::vector<CControlBar*> CFrameWnd::AllControlBars() const {
    std::vector<CControlBar*> bars;
    if (!m_hWnd)
        return bars;
    for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT))
        if (auto* pBar = dynamic_cast<CControlBar*>(CWnd::FromHandle(hChild)))
            bars.push_back(pBar);
    auto addDocked = [&bars](const CDockBar& dockBar) {
        for (const auto& row : dockBar.GetRows())
            bars.insert(bars.end(), row.begin(), row.end());
    };
    for (const auto& pDockBar : m_dockBars)
        addDocked(*pDockBar);
    for (const auto& pMini : m_miniFrames)
        addDocked(pMini->GetDockBar());
    return bars;
}

CStatusBar* CFrameWnd::GetStatusBar() const {
    return dynamic_cast<CStatusBar*>(GetControlBar(AFX_IDW_STATUS_BAR));
}

void CFrameWnd::EnableDocking(DWORD dwDockStyle) {
    m_dwDockStyle |= dwDockStyle & CBRS_ALIGN_ANY;
    // Top and bottom first, so they run the full width and the left and right ones fit between.
    static const UINT kOrder[] = {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_LEFT,
                                  AFX_IDW_DOCKBAR_RIGHT};
    static const DWORD kAlign[] = {CBRS_ALIGN_TOP, CBRS_ALIGN_BOTTOM, CBRS_ALIGN_LEFT, CBRS_ALIGN_RIGHT};
    for (size_t i = 0; i < 4; ++i) {
        if (!(m_dwDockStyle & kAlign[i]) || GetDockBar(kOrder[i]) || !m_hWnd)
            continue;
        auto pDockBar = std::make_unique<CDockBar>();
        if (!pDockBar->Create(this, kOrder[i]))
            continue;
        pDockBar->m_pDockSite = this;
        m_dockBars.push_back(std::move(pDockBar));
    }
}

CDockBar* CFrameWnd::GetDockBar(UINT nDockBarID) const {
    for (const auto& pDockBar : m_dockBars)
        if (pDockBar->m_hWnd && static_cast<UINT>(pDockBar->GetDlgCtrlID()) == nDockBarID)
            return pDockBar.get();
    return nullptr;
}

CMiniDockFrameWnd* CFrameWnd::GetMiniFrame(const CControlBar* pBar) const {
    for (const auto& pMini : m_miniFrames)
        if (pMini->GetDockBar().Contains(pBar))
            return pMini.get();
    return nullptr;
}

void CFrameWnd::DockControlBar(CControlBar* pBar, UINT nDockBarID, const RECT* pRectScreen) {
    if (!pBar || !pBar->m_hWnd)
        return;
    static const UINT kOrder[] = {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_LEFT,
                                  AFX_IDW_DOCKBAR_RIGHT};
    static const DWORD kAlign[] = {CBRS_ALIGN_TOP, CBRS_ALIGN_BOTTOM, CBRS_ALIGN_LEFT, CBRS_ALIGN_RIGHT};
    DWORD dwAlign = 0;
    for (size_t i = 0; i < 4; ++i) {
        if (nDockBarID == 0 && (pBar->GetDockStyle() & kAlign[i]))
            nDockBarID = kOrder[i];
        if (kOrder[i] == nDockBarID)
            dwAlign = kAlign[i];
    }
    if (dwAlign == 0)
        return;
    // A side the frame was not told about gets its dock bar now.
    if (!GetDockBar(nDockBarID))
        EnableDocking(dwAlign);
    CDockBar* pDockBar = GetDockBar(nDockBarID);
    if (!pDockBar)
        return;
    pBar->m_pDockSite = this;
    CMiniDockFrameWnd* pOldMini = GetMiniFrame(pBar);
    if (pBar->m_pDockBar)
        pBar->m_pDockBar->RemoveBar(pBar);
    pBar->SetBarStyle((pBar->GetBarStyle() & ~static_cast<DWORD>(CBRS_ALIGN_ANY | CBRS_FLOATING)) | dwAlign);
    pDockBar->AddBar(pBar, pRectScreen);
    if (CDockContext* pContext = pBar->GetDockContext())
        pContext->m_nLastDockBarID = nDockBarID;
    pBar->OnDockBarChanged();
    if (pOldMini)
        pOldMini->ShowWindow(SW_HIDE); // kept for the bar's next float
    RecalcLayout();
}

void CFrameWnd::FloatControlBar(CControlBar* pBar, POINT ptScreen, DWORD dwStyle) {
    if (!pBar || !pBar->m_hWnd || !m_hWnd)
        return;
    pBar->m_pDockSite = this;
    CMiniDockFrameWnd* pMini = GetMiniFrame(pBar);
    if (!pMini) {
        // An emptied mini-frame is used again; otherwise the bar gets a new one.
        for (const auto& p : m_miniFrames)
            if (!p->GetBar()) {
                pMini = p.get();
                break;
            }
        if (!pMini) {
            auto pNew = std::make_unique<CMiniDockFrameWnd>();
            if (!pNew->Create(this))
                return;
            pMini = pNew.get();
            m_miniFrames.push_back(std::move(pNew));
        }
        if (pBar->m_pDockBar)
            pBar->m_pDockBar->RemoveBar(pBar);
        pBar->SetBarStyle((pBar->GetBarStyle() & ~static_cast<DWORD>(CBRS_ALIGN_ANY)) | CBRS_FLOATING |
                          (dwStyle & CBRS_ALIGN_ANY));
        pMini->GetDockBar().AddBar(pBar);
        pBar->OnDockBarChanged();
    }
    if (CDockContext* pContext = pBar->GetDockContext()) {
        pContext->m_ptLastFloat = ptScreen;
        pContext->m_bFloatedBefore = true;
    }
    pMini->SetWindowText(pBar->GetWindowText().c_str());
    pMini->PlaceAround(ptScreen);
    if (pBar->IsVisible())
        pMini->ShowWindow(SW_SHOWNA);
    RecalcLayout();
}

void CFrameWnd::ShowControlBar(CControlBar* pBar, bool bShow, bool bDelay) {
    if (!pBar || !pBar->m_hWnd)
        return;
    // Keys typed into a hidden window go nowhere: the focus leaves a bar being hidden for the view.
    HWND hFocus = ::GetFocus();
    if (!bShow && hFocus && (hFocus == pBar->m_hWnd || ::IsChild(pBar->m_hWnd, hFocus)) && m_pViewActive &&
        m_pViewActive->m_hWnd)
        m_pViewActive->SetFocus();
    pBar->ShowWindow(bShow ? SW_SHOWNA : SW_HIDE);
    if (CMiniDockFrameWnd* pMini = GetMiniFrame(pBar))
        pMini->ShowWindow(bShow ? SW_SHOWNA : SW_HIDE);
    if (bDelay)
        m_bDelayedLayout = true;
    else
        RecalcLayout();
}

void CFrameWnd::RecalcLayout() {
    // Moving bars sends WM_SIZE to bars and dock bars that may ask for a layout again.
    if (!m_hWnd || m_bInRecalcLayout)
        return;
    m_bInRecalcLayout = true;
    m_bDelayedLayout = false;
    RepositionBars(reposDefault);
    m_bInRecalcLayout = false;
}

void CFrameWnd::RepositionBars(UINT nFlags, RECT* pRectFree) {
    if (!m_hWnd)
        return;
    bool bQuery = (nFlags & reposQuery) != 0;
    RECT rc = GetClientRect();
    for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        auto* pBar = dynamic_cast<CControlBar*>(CWnd::FromHandle(hChild));
        if (!pBar || !pBar->IsVisible())
            continue;
        auto* pDockBar = dynamic_cast<CDockBar*>(pBar);
        if (pDockBar)
            pDockBar->m_rcLayout = rc;
        DWORD dwAlign = pBar->GetBarStyle() & CBRS_ALIGN_ANY;
        bool bHorz = (dwAlign & CBRS_ORIENT_HORZ) != 0 || dwAlign == 0;
        SIZE size = pBar->CalcFixedLayout(true, bHorz);
        RECT rcBar = rc;
        if (dwAlign & CBRS_ALIGN_TOP) {
            rcBar.bottom = std::min(rc.bottom, rc.top + size.cy);
            rc.top = rcBar.bottom;
        } else if (dwAlign & CBRS_ALIGN_LEFT) {
            rcBar.right = std::min(rc.right, rc.left + size.cx);
            rc.left = rcBar.right;
        } else if (dwAlign & CBRS_ALIGN_RIGHT) {
            rcBar.left = std::max(rc.left, rc.right - size.cx);
            rc.right = rcBar.left;
        } else {
            rcBar.top = std::max(rc.top, rc.bottom - size.cy);
            rc.bottom = rcBar.top;
        }
        if (bQuery)
            continue;
        pBar->MoveWindow(rcBar);
        if (pDockBar)
            pDockBar->LayoutBars();
    }
    if (rc.bottom < rc.top)
        rc.bottom = rc.top;
    if (rc.right < rc.left)
        rc.right = rc.left;
    if (pRectFree)
        *pRectFree = rc;
    if (!bQuery && m_pViewActive && m_pViewActive->m_hWnd)
        m_pViewActive->MoveWindow(rc);
    if (!bQuery && m_pPreview && m_pPreview->m_hWnd)
        m_pPreview->MoveWindow(rc);
}

void CFrameWnd::SetPreviewWindow(CWnd* pPreview) {
    m_pPreview = pPreview;
    RecalcLayout();
}

void CFrameWnd::SetMessageText(UINT nID) {
    std::wstring strText;
    if (nID != 0) {
        strText = LoadStringResource(nID);
        strText = strText.substr(0, strText.find(L'\n'));
    }
    SetMessageText(strText);
}

void CFrameWnd::SetMessageText(const std::wstring& strText) {
    if (CStatusBar* pBar = GetStatusBar())
        pBar->SetPaneText(0, strText, true);
}

void CFrameWnd::OnIdleUpdateCmdUI() {
    if (m_bDelayedLayout)
        RecalcLayout();
    // Dock bars pass the update on to the bars they hold; floating bars get it from here.
    for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT))
        if (auto* pBar = dynamic_cast<CControlBar*>(CWnd::FromHandle(hChild)))
            pBar->OnIdleUpdate(this);
    for (const auto& pMini : m_miniFrames)
        pMini->GetDockBar().OnIdleUpdate(this);
    OnUpdateFrameTitle(true);
}

void CFrameWnd::BeginModalState() {
    if (m_nModalCount++ != 0)
        return;
    m_hWndActiveBeforeModal = ::GetActiveWindow();
    // The modeless dialogs and a floating pane are top-level windows the frame owns: disabled with
    // it, so none takes a click or a key while the modal window is up.
    m_modalDisabled.clear();
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto* pThis = reinterpret_cast<CFrameWnd*>(lParam);
            for (HWND hOwner = ::GetWindow(hWnd, GW_OWNER); hOwner; hOwner = ::GetWindow(hOwner, GW_OWNER))
                if (hOwner == pThis->m_hWnd) {
                    if (::IsWindowEnabled(hWnd))
                        pThis->m_modalDisabled.push_back(hWnd);
                    break;
                }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
    if (::IsWindowEnabled(m_hWnd))
        m_modalDisabled.push_back(m_hWnd);
    for (HWND hWnd : m_modalDisabled)
        ::EnableWindow(hWnd, FALSE);
}

void CFrameWnd::EndModalState() {
    if (m_nModalCount == 0 || --m_nModalCount != 0)
        return;
    for (auto it = m_modalDisabled.rbegin(); it != m_modalDisabled.rend(); ++it)
        if (::IsWindow(*it))
            ::EnableWindow(*it, TRUE);
    m_modalDisabled.clear();
    // The modal window went while its owner was still disabled, so the system could not give the
    // activation back: the window that had it before (the view's frame, or a search dialog) gets it.
    HWND hActive = m_hWndActiveBeforeModal;
    m_hWndActiveBeforeModal = nullptr;
    if (hActive && ::IsWindow(hActive) && ::IsWindowVisible(hActive) && ::GetActiveWindow() != hActive)
        ::SetActiveWindow(hActive);
}

bool CFrameWnd::IsViewTextCommand(UINT nID) const {
    switch (nID) {
    case ID_EDIT_CUT:
    case ID_EDIT_COPY:
    case ID_EDIT_PASTE:
    case ID_EDIT_CLEAR:
    case ID_EDIT_CLEAR_ALL:
    case ID_EDIT_SELECT_ALL:
    case ID_EDIT_UNDO:
    case ID_EDIT_REDO: return true;
    default: return false;
    }
}

namespace {
// The command of the accelerator entry that a key message matches, or 0.
UINT AcceleratorCommand(HACCEL hAccel, const MSG& msg) {
    const bool bKeyDown = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    const bool bChar = msg.message == WM_CHAR || msg.message == WM_SYSCHAR;
    if (!bKeyDown && !bChar)
        return 0;
    const int nCount = ::CopyAcceleratorTableW(hAccel, nullptr, 0);
    std::vector<ACCEL> entries(static_cast<size_t>(std::max(nCount, 0)));
    if (entries.empty() || ::CopyAcceleratorTableW(hAccel, entries.data(), nCount) != nCount)
        return 0;
    BYTE fMods = 0;
    if (::GetKeyState(VK_CONTROL) < 0)
        fMods |= FCONTROL;
    if (::GetKeyState(VK_SHIFT) < 0)
        fMods |= FSHIFT;
    if (::GetKeyState(VK_MENU) < 0)
        fMods |= FALT;
    for (const ACCEL& entry : entries) {
        if (entry.fVirt & FVIRTKEY) {
            if (bKeyDown && entry.key == msg.wParam && (entry.fVirt & (FCONTROL | FSHIFT | FALT)) == fMods)
                return entry.cmd;
        } else if (bChar && entry.key == msg.wParam) {
            return entry.cmd;
        }
    }
    return 0;
}
} // namespace

bool CFrameWnd::TranslateFrameAccelerator(MSG* pMsg) {
    if (!m_hAccelTable)
        return false;
    // Cut, copy, paste, undo and the like act on the view. With the focus in another window (the
    // results pane, a docked bar) its key is its own: Ctrl+C copies that window's selection, and
    // nothing reaches the document's text.
    HWND hView = m_pViewActive ? m_pViewActive->m_hWnd : nullptr;
    const bool bToView = pMsg->hwnd == m_hWnd || (hView && (pMsg->hwnd == hView || ::IsChild(hView, pMsg->hwnd)));
    if (!bToView) {
        const UINT nID = AcceleratorCommand(m_hAccelTable, *pMsg);
        if (nID != 0 && IsViewTextCommand(nID))
            return false;
    }
    return ::TranslateAcceleratorW(m_hWnd, m_hAccelTable, pMsg) != 0;
}

bool CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
    // The preview answers first, and what it does not allow (editing the text it shows, opening
    // another document) stays greyed until it closes.
    if (m_pPreview && m_pPreview->m_hWnd)
        return m_pPreview->OnCmdMsg(nID, nCode, pExtra);
    if (m_pViewActive && m_pViewActive->OnCmdMsg(nID, nCode, pExtra))
        return true;
    if (OnOwnCmdMsg(nID, nCode, pExtra))
        return true;
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->OnCmdMsg(nID, nCode, pExtra);
}

bool CFrameWnd::OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) {
    switch (nID) {
    case ID_VIEW_STATUS_BAR:
        // Only a frame that has a status bar takes the command; others leave it disabled.
        if (!GetStatusBar())
            break;
        return Handle(
            nCode, pExtra, [this, nID] { OnBarCheck(nID); }, [this](CCmdUI* p) { OnUpdateControlBarMenu(p); });
    default: break;
    }
    return CWnd::OnOwnCmdMsg(nID, nCode, pExtra);
}

void CFrameWnd::OnBarCheck(UINT nID) {
    if (CControlBar* pBar = GetControlBar(nID))
        ShowControlBar(pBar, !pBar->IsVisible(), false);
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* pCmdUI) {
    CControlBar* pBar = GetControlBar(pCmdUI->m_nID);
    pCmdUI->Enable(pBar != nullptr);
    pCmdUI->SetCheck(pBar && pBar->IsVisible() ? 1 : 0);
}

LRESULT CFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_QUERYENDSESSION: return OnQueryEndSession() ? TRUE : FALSE;
    case WM_ENDSESSION: OnEndSession(wParam != 0); return 0;
    case WM_MENUSELECT: OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam)); return 0;
    case WM_EXITMENULOOP: SetMessageText(AFX_IDS_IDLEMESSAGE); return 0;
    case WM_DDE_INITIATE: return OnDdeInitiate(reinterpret_cast<HWND>(wParam), lParam);
    case WM_DDE_EXECUTE: return OnDdeExecute(reinterpret_cast<HWND>(wParam), lParam);
    case WM_DDE_TERMINATE: return OnDdeTerminate(reinterpret_cast<HWND>(wParam));
    case WM_DPICHANGED:
        // Windows 8.1 and later: the new DPI in both words of wParam, the suggested window in lParam.
        OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_SETTINGCHANGE:
        // Only top-level windows hear of changed system settings: the bars are told from here.
        for (CControlBar* pBar : AllControlBars())
            if (pBar->m_hWnd)
                pBar->SendMessage(message, wParam, lParam);
        return CWnd::WindowProc(message, wParam, lParam);
    default: return CWnd::WindowProc(message, wParam, lParam);
    }
}

void CFrameWnd::OnSize(UINT nType, int, int) {
    if (nType != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnDpiChanged(UINT nDpi, const RECT& rcSuggested) {
    AnnounceWindowDpi(m_hWnd, nDpi);
    // A floating bar's mini-frame is a window of its own, which hears of its own monitor.
    for (CControlBar* pBar : AllControlBars())
        if (pBar->m_hWnd && !pBar->IsFloating())
            pBar->UpdateDpi();
    ::SetWindowPos(m_hWnd, nullptr, rcSuggested.left, rcSuggested.top, rcSuggested.right - rcSuggested.left,
                   rcSuggested.bottom - rcSuggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RecalcLayout();
}

void CFrameWnd::OnSetFocus(HWND) {
    if (m_pPreview && m_pPreview->m_hWnd)
        m_pPreview->SetFocus();
    else if (m_pViewActive && m_pViewActive->m_hWnd)
        m_pViewActive->SetFocus();
}

void CFrameWnd::OnInitMenuPopup(HMENU hPopup, UINT, BOOL bSysMenu) {
    if (bSysMenu)
        return;
    int nCount = ::GetMenuItemCount(hPopup);
    for (int i = 0; i < nCount; ++i) {
        UINT nID = ::GetMenuItemID(hPopup, i);
        if (nID == 0 || nID == static_cast<UINT>(-1))
            continue; // separator or sub-menu
        CCmdUI state(nID, hPopup, static_cast<UINT>(i));
        state.DoUpdate(this, true);
    }
}

void CFrameWnd::OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu) {
    if (nFlags == 0xFFFF && !hSysMenu) {
        SetMessageText(AFX_IDS_IDLEMESSAGE); // the menu closed
        return;
    }
    if (nItemID == 0 || (nFlags & (MF_SEPARATOR | MF_POPUP)) || (nFlags & MF_SYSMENU)) {
        SetMessageText(0u);
        return;
    }
    SetMessageText(nItemID);
}

void CFrameWnd::OnDropFiles(HDROP hDropInfo) {
    if (RefuseWhileModal()) {
        ::DragFinish(hDropInfo);
        return;
    }
    ::SetActiveWindow(m_hWnd);
    UINT nFiles = ::DragQueryFileW(hDropInfo, 0xFFFFFFFF, nullptr, 0);
    CWinApp* pApp = AfxGetApp();
    for (UINT i = 0; i < nFiles && pApp; ++i) {
        UINT nLength = ::DragQueryFileW(hDropInfo, i, nullptr, 0);
        std::wstring strFile(static_cast<size_t>(nLength) + 1, L'\0');
        ::DragQueryFileW(hDropInfo, i, strFile.data(), nLength + 1);
        strFile.resize(nLength);
        pApp->OpenDocumentFile(strFile.c_str());
    }
    ::DragFinish(hDropInfo);
}

void CFrameWnd::OnClose() {
    // A frame disabled by a modal dialog of ours is not closed from under it.
    if (RefuseWhileModal())
        return;
    if (CDocument* pDoc = GetActiveDocument(); pDoc && pDoc->SaveModified() != SaveResult::Saved)
        return;
    DestroyWindow();
}

bool CFrameWnd::RefuseWhileModal() {
    if (!InModalState())
        return false;
    // The user is answering something: show them where, as Windows does for a click on a disabled
    // owner.
    HWND hPopup = ::GetLastActivePopup(m_hWnd);
    if (hPopup && hPopup != m_hWnd && ::IsWindowEnabled(hPopup)) {
        ::SetActiveWindow(hPopup);
        ::FlashWindow(hPopup, TRUE);
    }
    return true;
}

bool CFrameWnd::OnQueryEndSession() {
    CWinApp* pApp = AfxGetApp();
    if (!pApp || pApp->m_pMainWnd != this)
        return true;
    // The save question cannot be asked on top of a modal window; the frame's class says why the
    // session may not end (OnQueryEndSession of a derived frame).
    if (RefuseWhileModal())
        return false;
    // Without this the default answer lets the session end at once and unsaved text is lost.
    return pApp->SaveAllModified();
}

void CFrameWnd::OnEndSession(bool bEnding) {
    CWinApp* pApp = AfxGetApp();
    if (!bEnding || !pApp || pApp->m_pMainWnd != this)
        return;
    // The process may be ended as soon as this message returns: the settings are stored now, by
    // destroying the window as a close does. The changes were dealt with at WM_QUERYENDSESSION.
    DestroyWindow();
}

void CFrameWnd::OnDestroy() {
    AnnounceWindowDpi(m_hWnd, 0);
    CWinApp* pApp = AfxGetApp();
    if (pApp && pApp->m_pMainWnd == this) {
        pApp->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    Default();
}

void CFrameWnd::PostNcDestroy() {
    if (m_hIconSmall)
        m_hIconSmall = nullptr; // shared icon: the system frees it with the module
    if (m_bAutoDelete)
        delete this;
}

LRESULT CFrameWnd::OnDdeInitiate(HWND hWndClient, LPARAM lParam) {
    CWinApp* pApp = AfxGetApp();
    auto atomApp = static_cast<ATOM>(LOWORD(lParam));
    auto atomTopic = static_cast<ATOM>(HIWORD(lParam));
    if (!pApp || pApp->m_pMainWnd != this || !pApp->IsShellOpenConversation(atomApp, atomTopic))
        return 0;
    // The acknowledgement carries atoms of its own: the client deletes the ones it receives. They
    // name this service and topic, not the request's, which are 0 when the client asks for any.
    wchar_t szApp[256] = {}, szTopic[256] = {};
    ::GlobalGetAtomNameW(pApp->GetShellOpenService(), szApp, 256);
    ::GlobalGetAtomNameW(pApp->GetShellOpenTopic(), szTopic, 256);
    ::SendMessageW(hWndClient, WM_DDE_ACK, reinterpret_cast<WPARAM>(m_hWnd),
                   MAKELPARAM(::GlobalAddAtomW(szApp), ::GlobalAddAtomW(szTopic)));
    return 0;
}

LRESULT CFrameWnd::OnDdeExecute(HWND hWndClient, LPARAM lParam) {
    // No file is opened under a modal window: the request is answered "not processed".
    if (RefuseWhileModal()) {
        UINT_PTR unusedLow = 0, hCommands = 0;
        ::UnpackDDElParam(WM_DDE_EXECUTE, lParam, &unusedLow, &hCommands);
        ::PostMessageW(hWndClient, WM_DDE_ACK, reinterpret_cast<WPARAM>(m_hWnd),
                       ::ReuseDDElParam(lParam, WM_DDE_EXECUTE, WM_DDE_ACK, 0, hCommands));
        return 0;
    }
    UINT_PTR unused = 0;
    HGLOBAL hData = nullptr;
    ::UnpackDDElParam(WM_DDE_EXECUTE, lParam, &unused, reinterpret_cast<PUINT_PTR>(&hData));
    // Any program may send anything here: the block is read within its own size only, and a
    // request that is not wholly understood is refused and changes nothing.
    std::vector<std::wstring> names;
    bool bAccepted = false;
    if (hData) {
        CGlobalLock lock(hData);
        if (lock.Get())
            bAccepted = ParseDdeOpenRequest(lock.Get(), ::GlobalSize(hData), AnsiRequestToText, names);
    }
    // The acknowledgement goes back with the same data handle, which the client frees; its
    // positive bit says whether the request was carried out.
    const UINT_PTR nStatus = bAccepted ? 0x8000 : 0;
    ::PostMessageW(hWndClient, WM_DDE_ACK, reinterpret_cast<WPARAM>(m_hWnd),
                   ::ReuseDDElParam(lParam, WM_DDE_EXECUTE, WM_DDE_ACK, nStatus, reinterpret_cast<UINT_PTR>(hData)));
    CWinApp* pApp = AfxGetApp();
    for (const std::wstring& strFile : names)
        if (pApp)
            pApp->OpenDocumentFile(strFile.c_str());
    return 0;
}

LRESULT CFrameWnd::OnDdeTerminate(HWND hWndClient) {
    ::PostMessageW(hWndClient, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
    return 0;
}
