#pragma once
// Recovery snapshots on disk: the layout of one snapshot file (a header with the document's state,
// its whole text, and a checksum over both, so that a torn or damaged file is never taken for a
// whole one), the recovery folder, and the files of one program instance in it.
#include "document/Encoding.h"
#include "framework/Handles.h"
#include <windows.h>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a snapshot holds besides the text.
struct RecoveryState {
    std::wstring strPath; // the file's full path; empty for an untitled document
    EncodingId encoding = EncodingId::SjisAuto;
    LineEndingId lineEnding = LineEndingId::Crlf;
    bool bModified = true;
    int nSelStart = 0;
    int nSelEnd = 0;
    uint64_t nTakenAt = 0; // FILETIME (UTC) when the text was copied
};

struct RecoverySnapshot {
    RecoveryState state;
    std::wstring strText;
};

// The snapshot's layout: magic, version, the state, path and text lengths, the path, the text, and
// a 64-bit checksum of every byte before it.
namespace RecoveryFormat {
constexpr char kMagic[8] = {'T', 'S', 'R', 'E', 'C', 'O', 'V', '1'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderBytes = 8 + 4 * 6 + 8 + 4 + 8; // magic, six 32-bit fields, time, path and text lengths

// The header (with the path) for a text of nTextChars characters.
std::vector<unsigned char> Header(const RecoveryState& state, uint64_t nTextChars);

// A running checksum over the bytes of a file, fed in pieces of any size.
class CChecksum {
public:
    void Add(const void* pData, size_t nBytes);
    uint64_t Value() const;

private:
    uint64_t m_nHash = 0x9E3779B97F4A7C15ull;
    uint64_t m_nPending = 0; // bytes not yet making a whole 8-byte word
    unsigned m_nPendingBytes = 0;
    uint64_t m_nTotal = 0;
};

// Reads and checks a whole snapshot file; nullopt when it is not one, or torn, or damaged. The
// text's length is reported in nTextChars; the text itself is kept only with bKeepText.
std::optional<RecoverySnapshot> Read(const std::wstring& strFile, bool bKeepText, uint64_t& nTextChars);
} // namespace RecoveryFormat

// The folder snapshots live in: %LOCALAPPDATA%\Tessarin\Recovery (not created here).
std::wstring RecoveryFolder();
// Creates the folder and its parents; false with GetLastError when it cannot.
bool CreateRecoveryFolder(const std::wstring& strFolder);

// One instance's files in the folder: <id>.tsr (the snapshot), <id>.tmp (a snapshot being written)
// and <id>.lock (held open, without sharing, while the instance runs or while another instance
// offers its snapshot, and deleted when closed).
struct RecoveryNames {
    std::wstring strSnapshot, strTemp, strLock;
};
RecoveryNames RecoveryFileNames(const std::wstring& strFolder, const std::wstring& strId);
// A new id for this instance: process id and start time, so that ids never repeat.
std::wstring NewRecoveryInstanceId();

// Takes the lock of an instance: an exclusive handle that deletes the file when it is closed,
// also when the process is killed. Empty when another process holds it (or it cannot be made).
CFileHandle TakeRecoveryLock(const std::wstring& strLockFile);

// A snapshot of an instance that no longer runs, claimed by this one (its lock held) so that no
// other instance offers it at the same time.
struct ClaimedSnapshot {
    std::wstring strId;
    std::wstring strFile;
    RecoveryState state;
    uint64_t nTextChars = 0;
    CFileHandle hLock;
};
// Finds the whole snapshots in the folder whose instance is gone and claims them, newest first;
// leftovers of gone instances (a torn temporary file, a lock without a snapshot) are removed.
std::vector<ClaimedSnapshot> ClaimOrphanSnapshots(const std::wstring& strFolder);
