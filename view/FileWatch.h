#pragma once
// CFileWatch: the watch on the document's file for changes by other programs. A 2-second timer on
// the view's window compares the file's last-write time with the one last seen; the view turns a
// tick into its reaction, and the watch asks the reload question.
#include <windows.h>
#include <string>

class CFileWatch {
public:
    // The timer id the watch uses on its window (the control's own timers use others).
    static constexpr UINT_PTR kTimerId = 1;
    static constexpr UINT kIntervalMs = 2000;

    CFileWatch() = default;
    CFileWatch(const CFileWatch&) = delete;
    CFileWatch& operator=(const CFileWatch&) = delete;

    // Starts ticking on hWnd for strPath, remembering the file's current data. A running watch,
    // an empty path or no window leave everything as it is.
    void Start(HWND hWnd, const std::wstring& strPath);
    void Stop();
    bool IsWatching() const { return m_nTimer != 0; }
    // The window was replaced (word wrap re-creates the control): its timers went with it, so a
    // running watch goes on ticking on hNew.
    void MoveTo(HWND hNew);
    // The tick belongs to the watch (other timer ids are the control's).
    bool IsTick(UINT_PTR nIDEvent) const { return m_nTimer != 0 && nIDEvent == m_nTimer; }

    enum class Change { None, Gone, Rewritten };
    // What a tick found. Gone: the file is missing or out of reach (the stored data stays).
    // Rewritten: its last-write time differs from the stored one, which is then updated, so one
    // change is reported once. Attributes, size and the other times are not compared.
    Change Check();

    // Asks whether to reload, naming the watched path, and on Yes has the application open that
    // path again. While the question and the reload run, the timer goes on: a second change then
    // asks nothing.
    void AskReload();


private:
    HWND m_hWnd = nullptr;
    UINT_PTR m_nTimer = 0;
    WIN32_FILE_ATTRIBUTE_DATA m_fileData{};
    std::wstring m_strPath;
    bool m_bPromptOpen = false; // the reload question is on screen
};
