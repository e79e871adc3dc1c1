#pragma once
// CRecoveryDlg: lists the unsaved documents that instances which are gone left behind (file name or
// untitled, when the snapshot was taken, its size) and lets the user restore one, discard any of
// them after a confirmation, or keep them all for later.
#include "document/RecoveryFile.h"
#include "framework/Dialog.h"
#include <vector>

class CRecoveryDlg : public CDialog {
public:
    // The dialog removes discarded snapshots from the list (their files deleted, their locks let go).
    CRecoveryDlg(std::vector<ClaimedSnapshot>& snapshots, CWnd* pParentWnd = nullptr);

    // After IDOK: the index in the list of the snapshot to restore.
    int m_nChosen = -1;

    // The list's texts for one snapshot: name (path or untitled), time, size.
    static std::wstring NameText(const ClaimedSnapshot& snapshot);
    static std::wstring TimeText(const ClaimedSnapshot& snapshot);
    static std::wstring SizeText(const ClaimedSnapshot& snapshot);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override; // Enter restores the selected snapshot
    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override;

private:
    void FillList();
    int Selected() const;
    void OnDiscard();

    std::vector<ClaimedSnapshot>& m_snapshots;
};
