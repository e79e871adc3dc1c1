// Safe replacement of a file's contents: write a sibling file and flush it, then make it the file
// with renames that leave the name holding a whole file at every moment, keeping the original
// file itself (its permissions, owner, links and streams) wherever the file system allows.
#include "document/SafeSave.h"
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <algorithm>
#include <string_view>
#include <vector>
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/Handles.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// How long a save waits for another program that holds the file for a moment (a virus scanner,
// an indexer, a viewer) before it reports the file as in use.
constexpr ULONGLONG kRetryMs = 2000;
constexpr DWORD kRetryStepMs = 50;
constexpr size_t kCopyChunk = 1u << 20;

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

std::wstring NameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The file a path finally names: a symbolic link is followed to the file it points to, so the
// save rewrites that file and the link stays a link. Wine's ReplaceFileW and a plain rename would
// put a new file in the link's place instead (and Wine's moved the link's target away as the
// backup, which the save then deleted). A path that names nothing yet is kept as it is.
std::wstring FinalPathOf(const std::wstring& path) {
    CFileHandle h(
        ::CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h)
        return path;
    constexpr DWORD kFlags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    DWORD n = ::GetFinalPathNameByHandleW(h.Get(), nullptr, 0, kFlags);
    if (n == 0)
        return path;
    std::wstring final(n, L'\0');
    n = ::GetFinalPathNameByHandleW(h.Get(), final.data(), n, kFlags);
    if (n == 0 || n >= final.size())
        return path;
    final.resize(n);
    return final;
}

// Our sibling names are "~" + the file's name + "." + a tag of 16 hex digits + a suffix, e.g.
// "~memo.txt.3f09a1c2b4d5e6f7.tmp". The tag's last four digits are a check of its first twelve
// and the file's name, so a file the user named in our pattern by hand (or an old version of the
// program named) is never taken for ours. Suffixes: ".tmp" the new text while it is written,
// ".new" the same once it is whole on the disk, ".bak" a second name of the original file during
// the swap, ".old" a copy of the old contents while a file with several names is rewritten.
constexpr size_t kTagDigits = 16;
constexpr size_t kCheckDigits = 4;

std::wstring Hex(unsigned long long value, size_t nDigits) {
    std::wstring text(nDigits, L'0');
    for (size_t i = nDigits; i-- > 0; value >>= 4)
        text[i] = L"0123456789abcdef"[value & 15];
    return text;
}

// FNV-1a over the file's name and the random part of a tag, folded to 16 bits.
std::wstring TagCheck(const std::wstring& name, std::wstring_view random) {
    unsigned long long hash = 14695981039346656037ull;
    auto mix = [&](wchar_t c) {
        hash ^= static_cast<unsigned long long>(c);
        hash *= 1099511628211ull;
    };
    for (wchar_t c : name)
        mix(c);
    mix(L'|');
    for (wchar_t c : random)
        mix(c);
    return Hex((hash ^ (hash >> 16) ^ (hash >> 32) ^ (hash >> 48)) & 0xffff, kCheckDigits);
}

std::wstring NewTag(const std::wstring& name) {
    static unsigned long long s_nCounter = 0;
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    unsigned long long x = (static_cast<unsigned long long>(::GetCurrentProcessId()) << 32) ^
                           static_cast<unsigned long long>(now.QuadPart) ^ (++s_nCounter * 0x9E3779B97F4A7C15ull);
    x ^= x >> 30; // splitmix64's finish spreads the bits
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    std::wstring random = Hex(x, kTagDigits - kCheckDigits);
    return random + TagCheck(name, random);
}

std::wstring SiblingName(const std::wstring& path, const std::wstring& tag, const wchar_t* suffix) {
    return FolderOf(path) + L"\\~" + NameOf(path) + L"." + tag + suffix;
}

// The tag of `entry` when it is a sibling of ours for the file `name`, with its suffix; empty when not.
std::wstring OurTag(const std::wstring& entry, const std::wstring& name, std::wstring& suffix) {
    const std::wstring prefix = L"~" + name + L".";
    constexpr size_t kSuffix = 4; // ".tmp"
    if (entry.size() != prefix.size() + kTagDigits + kSuffix || entry.compare(0, prefix.size(), prefix) != 0)
        return {};
    suffix = entry.substr(entry.size() - kSuffix);
    if (suffix != L".tmp" && suffix != L".new" && suffix != L".bak" && suffix != L".old")
        return {};
    std::wstring tag = entry.substr(prefix.size(), kTagDigits);
    for (wchar_t c : tag)
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f')))
            return {};
    std::wstring_view random(tag.data(), kTagDigits - kCheckDigits);
    if (tag.compare(kTagDigits - kCheckDigits, kCheckDigits, TagCheck(name, random)) != 0)
        return {};
    return tag;
}

// How many tags a save tries for its temporary file before it gives up.
constexpr unsigned kTempNameAttempts = 16;

TempCreateHook g_pfnBeforeTempCreate = nullptr;

bool IsSharingError(DWORD err) {
    return err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION;
}

// Repeats step() while another process holds the file, for about kRetryMs. Returns 0 on success,
// otherwise the last error. `transient` says which errors are worth waiting out.
template <typename Step, typename Transient> DWORD Retrying(Step step, Transient transient) {
    const ULONGLONG deadline = ::GetTickCount64() + kRetryMs;
    for (;;) {
        if (step())
            return 0;
        DWORD err = ::GetLastError();
        if (!transient(err) || ::GetTickCount64() >= deadline)
            return err;
        ::Sleep(kRetryStepMs);
    }
}

[[noreturn]] void ThrowLastError(const std::wstring& shownName) {
    CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), shownName);
}

// Opens an existing file for rewriting in place, waiting out a passing reader that allows no
// writers. `share` says what others may do with it meanwhile.
CFileHandle OpenForRewrite(ISaveFileSystem& fs, const std::wstring& path, const std::wstring& shownName,
                           DWORD share = kShareAll) {
    CFileHandle h;
    DWORD err = Retrying(
        [&] {
            h.Attach(fs.Open(path, GENERIC_READ | GENERIC_WRITE, share, OPEN_EXISTING, nullptr));
            return static_cast<bool>(h);
        },
        IsSharingError);
    if (err)
        CFileException::ThrowOsError(static_cast<LONG>(err), shownName);
    return h;
}

// Renames `from` over `to` in one step: MoveFileExW with MOVEFILE_REPLACE_EXISTING is a single
// rename() under Wine and a single rename with replacement on Windows, so `to` names the old file
// or the new one at every moment. (Wine's ReplaceFileW is two renames, and a process killed
// between them leaves no file under the name.) Under Wine a rename over a file that another
// process holds without delete sharing fails with access denied rather than a sharing violation,
// so that is waited out too.
DWORD RenameOver(ISaveFileSystem& fs, const std::wstring& from, const std::wstring& to) {
    return Retrying([&] { return fs.Move(from, to, MOVEFILE_REPLACE_EXISTING); },
                    [](DWORD err) { return IsSharingError(err) || err == ERROR_ACCESS_DENIED; });
}

void SeekToStart(ISaveFileSystem& fs, HANDLE h, const std::wstring& shownName) {
    if (!fs.SeekToStart(h))
        ThrowLastError(shownName);
}

// Replaces the whole contents of `to` with those of `from` (both from their start) and commits
// them to the disk.
void CopyContents(ISaveFileSystem& fs, HANDLE from, HANDLE to, const std::wstring& shownName) {
    SeekToStart(fs, from, shownName);
    SeekToStart(fs, to, shownName);
    std::vector<BYTE> buffer(kCopyChunk);
    for (;;) {
        DWORD got = 0;
        if (!fs.Read(from, buffer.data(), static_cast<DWORD>(buffer.size()), got))
            ThrowLastError(shownName);
        if (got == 0)
            break;
        DWORD put = 0;
        if (!fs.Write(to, buffer.data(), got, put))
            ThrowLastError(shownName);
        if (put != got)
            throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, shownName);
    }
    if (!fs.SetEnd(to) || !fs.Flush(to))
        ThrowLastError(shownName);
}

CFileHandle OpenToRead(ISaveFileSystem& fs, const std::wstring& path, const std::wstring& shownName) {
    CFileHandle h(fs.Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING, nullptr));
    if (!h)
        ThrowLastError(shownName);
    return h;
}

// A new file with the given contents, created with the given descriptor and flushed.
void WriteCopy(ISaveFileSystem& fs, HANDLE from, const std::wstring& copyPath, PSECURITY_DESCRIPTOR pSecurity,
               const std::wstring& shownName) {
    CFileHandle copy(fs.Open(copyPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW, pSecurity));
    if (!copy)
        ThrowLastError(shownName);
    try {
        CopyContents(fs, from, copy.Get(), shownName);
    } catch (...) {
        copy.Close();
        fs.Delete(copyPath);
        throw;
    }
}

// The attributes a user sets on a file, which a replacement must carry over.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

void RestoreAttributes(ISaveFileSystem& fs, const std::wstring& path, DWORD originalAttributes) {
    DWORD now = fs.GetAttributes(path);
    if (now != INVALID_FILE_ATTRIBUTES && (now & kKeptAttributes) != (originalAttributes & kKeptAttributes)) {
        DWORD wanted = ((now & ~kKeptAttributes) | (originalAttributes & kKeptAttributes)) & ~FILE_ATTRIBUTE_NORMAL;
        fs.SetAttributes(path, wanted ? wanted : FILE_ATTRIBUTE_NORMAL);
    }
}

// A file with several names (hard links) is rewritten in place, so that every name sees the new
// text; a rename would give only this name a new file and leave the others with the old text. A
// copy of the old contents (".old", as private as the file) is kept aside until the new ones are
// on the disk, and put back if writing them fails. The whole new text stays in newPath until the
// copy is gone, so a save cut short here is finished from it.
void RewriteInPlace(ISaveFileSystem& fs, HANDLE original, const std::wstring& path, const std::wstring& newPath,
                    const std::wstring& tag, PSECURITY_DESCRIPTOR pSecurity, const std::wstring& shownName) {
    const std::wstring oldPath = SiblingName(path, tag, L".old");
    WriteCopy(fs, original, oldPath, pSecurity, shownName);
    CFileHandle replacement(fs.Open(newPath, GENERIC_READ, kShareAll, OPEN_EXISTING, nullptr));
    try {
        if (!replacement)
            ThrowLastError(shownName);
        CopyContents(fs, replacement.Get(), original, shownName);
    } catch (...) {
        // The old contents go back; should that fail too, the copy stays as the only whole one.
        CFileHandle old = OpenToRead(fs, oldPath, shownName);
        CopyContents(fs, old.Get(), original, shownName);
        old.Close();
        fs.Delete(oldPath);
        throw;
    }
    replacement.Close();
    fs.Delete(oldPath);
}

// The second half of the swap, also run to finish one that was cut short: the whole new text
// that the name holds now is copied into the original file (kept under keptPath), which then
// takes the name back, so the file keeps its identity, mode, owner and ACL. False when it could
// not; keptPath then stays for the next attempt.
bool GiveBackTheOriginal(ISaveFileSystem& fs, const std::wstring& path, const std::wstring& keptPath,
                         const std::wstring& shownName) {
    try {
        CFileHandle kept = OpenForRewrite(fs, keptPath, shownName);
        CFileHandle replacement = OpenToRead(fs, path, shownName);
        CopyContents(fs, replacement.Get(), kept.Get(), shownName);
        kept.Close();
        replacement.Close();
        return RenameOver(fs, keptPath, path) == 0;
    } catch (const CException&) {
        return false;
    }
}

// Puts the flushed new file at newPath in the place of the existing file at path. The original
// file itself is kept where the file system has hard links: a second name (".bak") holds it while
// the new file takes its name in one rename, the new contents are then copied into it, and a
// second rename puts it back under its name. Under Wine a new file would get a fresh Unix mode and
// owner, and on Windows a new file would lose the original's ACL, streams and identity. The name
// holds the old or the new contents, whole, throughout; a save cut short between the two renames
// is finished by the next FinishInterruptedSave.
void ReplaceExisting(ISaveFileSystem& fs, const std::wstring& path, const std::wstring& newPath,
                     DWORD originalAttributes, const std::wstring& tag, PSECURITY_DESCRIPTOR pSecurity,
                     const std::wstring& shownName) {
    {
        // Opening the original for writing first waits out a passing reader, which would otherwise
        // make the renames or the copy below fail; it also tells whether the file has other names.
        CFileHandle original = OpenForRewrite(fs, path, shownName);
        BY_HANDLE_FILE_INFORMATION info{};
        if (fs.GetInfo(original.Get(), info) && info.nNumberOfLinks > 1) {
            RewriteInPlace(fs, original.Get(), path, newPath, tag, pSecurity, shownName);
            fs.Delete(newPath);
            return;
        }
    }
    const std::wstring keptPath = SiblingName(path, tag, L".bak");
    const bool bKept = fs.HardLink(keptPath, path);
    if (DWORD err = RenameOver(fs, newPath, path)) {
        if (bKept)
            fs.Delete(keptPath);
        CFileException::ThrowOsError(static_cast<LONG>(err), shownName);
    }
    if (!bKept) { // no hard links here (FAT, some network shares): the new file stays
        RestoreAttributes(fs, path, originalAttributes);
        return;
    }
    // The name holds the whole new contents from here on; what follows only gives them back the
    // original file. Should it fail, the new file (which grants no more than the original) keeps
    // the name with the user's attributes, and the original stays under keptPath for the next
    // touch of the file to finish.
    if (!GiveBackTheOriginal(fs, path, keptPath, shownName))
        RestoreAttributes(fs, path, originalAttributes);
}

// Whether two paths name one file (the same file index on the same volume).
bool SameFile(ISaveFileSystem& fs, const std::wstring& a, const std::wstring& b) {
    CFileHandle ha(fs.Open(a, 0, kShareAll, OPEN_EXISTING, nullptr));
    CFileHandle hb(fs.Open(b, 0, kShareAll, OPEN_EXISTING, nullptr));
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    return ha && hb && fs.GetInfo(ha.Get(), ia) && fs.GetInfo(hb.Get(), ib) &&
           ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

// Whether no other process holds the file: a save that is running holds the files of its tag
// open, and its work is not ours to finish.
bool NobodyHolds(ISaveFileSystem& fs, const std::wstring& path) {
    CFileHandle h(fs.Open(path, GENERIC_READ, 0, OPEN_EXISTING, nullptr));
    return static_cast<bool>(h) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

struct LeftoverSet {
    bool bTmp = false, bNew = false, bBak = false, bOld = false;
};

// Finishes one cut-short save, given the files its tag left. True when the file's contents changed.
bool FinishOne(ISaveFileSystem& fs, const std::wstring& path, const std::wstring& tag, const LeftoverSet& left) {
    const std::wstring tmpPath = SiblingName(path, tag, L".tmp"), newPath = SiblingName(path, tag, L".new");
    const std::wstring bakPath = SiblingName(path, tag, L".bak"), oldPath = SiblingName(path, tag, L".old");
    if ((left.bNew && !NobodyHolds(fs, newPath)) || (left.bBak && !NobodyHolds(fs, bakPath)) ||
        (left.bOld && !NobodyHolds(fs, oldPath)))
        return false;
    // A ".tmp" was still being written: a part of a text, never the file. Another save that is
    // writing it holds it without delete sharing, and it stays.
    if (left.bTmp)
        fs.Delete(tmpPath);
    const DWORD attributes = fs.GetAttributes(path);
    const bool bFile = attributes != INVALID_FILE_ATTRIBUTES;
    try {
        if (left.bOld) {
            // A file with several names was being rewritten in place from the whole new text,
            // which ".new" still holds: write it again. Without it the copy of the old contents
            // may be the only whole text, and it stays.
            if (!left.bNew || !bFile)
                return false;
            CFileHandle original = OpenForRewrite(fs, path, path);
            CFileHandle replacement = OpenToRead(fs, newPath, path);
            CopyContents(fs, replacement.Get(), original.Get(), path);
            replacement.Close();
            original.Close();
            fs.Delete(oldPath);
            fs.Delete(newPath);
            return true;
        }
        if (left.bBak) {
            if (!bFile)
                return false; // the original under ".bak" is the only copy left
            if (!SameFile(fs, bakPath, path)) {
                // Cut inside the swap: the name holds the whole new text in a new file, the
                // original waits under ".bak". Anything else may be a text of its own: stay away.
                if (left.bNew)
                    return false;
                return GiveBackTheOriginal(fs, path, bakPath, path);
            }
            fs.Delete(bakPath); // a second name of the file itself, made before the swap began
        }
        if (left.bNew) {
            // The whole new text was on the disk, the swap had not begun: finish it.
            if (!bFile)
                return fs.Move(newPath, path, MOVEFILE_WRITE_THROUGH);
            ReplaceExisting(fs, path, newPath, attributes, tag, nullptr, path);
            return true;
        }
    } catch (const CException&) {
    }
    return false;
}

// A descriptor to create new files with, as private as the existing file at `path` (when it
// cannot be opened to read its descriptor, one for the saving user alone). A save that cannot
// make one writes nothing rather than a file anyone may read.
std::vector<BYTE> SecurityOf(ISaveFileSystem& fs, const std::wstring& path, const std::wstring& shownName) {
    CFileHandle original(fs.Open(path, READ_CONTROL, kShareAll, OPEN_EXISTING, nullptr));
    std::vector<BYTE> descriptor;
    if (!fs.SecurityFor(original.Get(), descriptor) || descriptor.empty())
        throw CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, shownName);
    return descriptor;
}

// The original's old contents go to the user's temporary folder, the new text is written there
// too, and is then copied into the file in place. Used when the folder refuses a new file (no
// right to add files, a read-only mount) but the file itself may be written. Only the copy is
// kept when anything fails, and the exception says where it is.
void SaveInPlaceThroughTempFolder(ISaveFileSystem& fs, const std::wstring& path, const std::wstring& strPath,
                                  const std::function<void(CFile&)>& write) {
    CFileHandle original = OpenForRewrite(fs, path, strPath);
    std::vector<BYTE> security = SecurityOf(fs, path, strPath);
    PSECURITY_DESCRIPTOR pSecurity = security.data();
    const std::wstring folder = fs.TempFolder();
    const std::wstring tag = NewTag(NameOf(path));
    const std::wstring copyPath = folder + L"\\~" + NameOf(path) + L"." + tag + L".old";
    const std::wstring newPath = folder + L"\\~" + NameOf(path) + L"." + tag + L".tmp";
    // The new text first: a writer that fails leaves the file untouched.
    CFile temp;
    CFileException createError;
    if (!fs.CreateTemp(temp, newPath, pSecurity, &createError)) {
        createError.m_strFileName = strPath;
        throw createError;
    }
    try {
        write(temp);
        fs.FlushTemp(temp);
        fs.CloseTemp(temp);
        WriteCopy(fs, original.Get(), copyPath, pSecurity, strPath);
    } catch (...) {
        fs.CloseTemp(temp);
        fs.Delete(newPath);
        throw;
    }
    try {
        CFileHandle replacement = OpenToRead(fs, newPath, strPath);
        try {
            CopyContents(fs, replacement.Get(), original.Get(), strPath);
        } catch (...) {
            // Whatever happens to the file, its old contents are whole in the copy.
            try {
                CFileHandle old = OpenToRead(fs, copyPath, strPath);
                CopyContents(fs, old.Get(), original.Get(), strPath);
            } catch (const CException&) {
            }
            throw;
        }
    } catch (const CFileException& e) {
        fs.Delete(newPath);
        throw CSaveCopyKeptException(e, copyPath);
    } catch (...) {
        fs.Delete(newPath);
        throw CSaveCopyKeptException(CFileException(CFileException::genericException, -1, strPath), copyPath);
    }
    fs.Delete(newPath);
    fs.Delete(copyPath);
}

bool FolderRefusesNewFile(LONG err) {
    return err == ERROR_ACCESS_DENIED || err == ERROR_WRITE_PROTECT || err == ERROR_NETWORK_ACCESS_DENIED;
}

// Under Wine a file's Unix mode is made from the descriptor it is created with, and an ACE for
// the creating user sets the group's bits as well as the owner's (an ACE granting the user read
// and write gives 0660, less the umask 0640), while the group's bits of the original cannot be
// read at all: a copy of the original's descriptor makes a 0600 file 0750. An ACE for an owner
// SID the process does not hold sets the owner's bits alone, and the file is still created as the
// process's user: so the descriptor "owner Anonymous, Anonymous may read and write" gives 0600, a
// file for the saving user alone, which grants no more than any original the user may save.
bool IsWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

bool SelfRelative(PSECURITY_DESCRIPTOR pAbsolute, std::vector<BYTE>& descriptor) {
    DWORD n = 0;
    ::MakeSelfRelativeSD(pAbsolute, nullptr, &n);
    if (n == 0)
        return false;
    descriptor.assign(n, 0);
    return ::MakeSelfRelativeSD(pAbsolute, descriptor.data(), &n) != FALSE;
}

bool WineOwnerOnlyDescriptor(std::vector<BYTE>& descriptor) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    BYTE sidBuffer[SECURITY_MAX_SID_SIZE] = {};
    PSID pAnonymous = sidBuffer;
    if (!::InitializeSid(pAnonymous, &nt, 1))
        return false;
    *::GetSidSubAuthority(pAnonymous, 0) = SECURITY_ANONYMOUS_LOGON_RID;
    BYTE aclBuffer[256] = {};
    PACL pAcl = reinterpret_cast<PACL>(aclBuffer);
    SECURITY_DESCRIPTOR sd{};
    return ::InitializeAcl(pAcl, sizeof aclBuffer, ACL_REVISION) &&
           ::AddAccessAllowedAce(pAcl, ACL_REVISION, FILE_GENERIC_READ | FILE_GENERIC_WRITE, pAnonymous) &&
           ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
           ::SetSecurityDescriptorOwner(&sd, pAnonymous, FALSE) &&
           ::SetSecurityDescriptorDacl(&sd, TRUE, pAcl, FALSE) && SelfRelative(&sd, descriptor);
}

// On Windows the original's own DACL, marked protected so that the folder's inheritable entries
// add nothing to it; without the original, full access for the file's owner (the saving user) alone.
bool CopiedDaclDescriptor(HANDLE original, std::vector<BYTE>& descriptor) {
    if (original == INVALID_HANDLE_VALUE) {
        PSECURITY_DESCRIPTOR pOwnerOnly = nullptr;
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)", SDDL_REVISION_1, &pOwnerOnly,
                                                                    nullptr))
            return false;
        CLocalBlock ownerOnly(pOwnerOnly);
        const BYTE* p = static_cast<const BYTE*>(pOwnerOnly);
        descriptor.assign(p, p + ::GetSecurityDescriptorLength(pOwnerOnly));
        return true;
    }
    PACL pDacl = nullptr;
    PSECURITY_DESCRIPTOR pGot = nullptr;
    if (::GetSecurityInfo(original, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &pDacl, nullptr,
                          &pGot) != ERROR_SUCCESS)
        return false;
    CLocalBlock got(pGot);
    SECURITY_DESCRIPTOR sd{};
    return ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
           ::SetSecurityDescriptorDacl(&sd, TRUE, pDacl, FALSE) &&
           ::SetSecurityDescriptorControl(&sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED) && SelfRelative(&sd, descriptor);
}

// The steps as the Win32 calls they are named after.
class CWin32SaveFileSystem : public ISaveFileSystem {
public:
    std::wstring FinalPath(const std::wstring& path) override { return FinalPathOf(path); }
    DWORD GetAttributes(const std::wstring& path) override { return ::GetFileAttributesW(path.c_str()); }
    bool SetAttributes(const std::wstring& path, DWORD attributes) override {
        return ::SetFileAttributesW(path.c_str(), attributes) != FALSE;
    }
    std::vector<std::wstring> ListFiles(const std::wstring& folder, const std::wstring& pattern) override {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW fd;
        CFindHandle find(::FindFirstFileW((folder + L"\\" + pattern).c_str(), &fd));
        if (!find)
            return names;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(fd.cFileName);
        } while (::FindNextFileW(find.Get(), &fd));
        return names;
    }
    bool SecurityFor(HANDLE original, std::vector<BYTE>& descriptor) override {
        return IsWine() ? WineOwnerOnlyDescriptor(descriptor) : CopiedDaclDescriptor(original, descriptor);
    }
    bool CreateTemp(CFile& file, const std::wstring& path, PSECURITY_DESCRIPTOR pSecurity,
                    CFileException* pError) override {
        SECURITY_ATTRIBUTES sa{sizeof sa, pSecurity, FALSE};
        HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, pSecurity ? &sa : nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            LONG err = static_cast<LONG>(::GetLastError());
            if (pError)
                *pError = CFileException(CFileException::OsErrorToCause(err), err, path);
            return false;
        }
        file.Attach(h, path);
        return true;
    }
    void FlushTemp(CFile& file) override { file.Flush(); }
    void CloseTemp(CFile& file) override { file.Close(); }
    HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                PSECURITY_DESCRIPTOR pSecurity) override {
        SECURITY_ATTRIBUTES sa{sizeof sa, pSecurity, FALSE};
        return ::CreateFileW(path.c_str(), access, share, pSecurity ? &sa : nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    }
    bool GetInfo(HANDLE file, BY_HANDLE_FILE_INFORMATION& info) override {
        return ::GetFileInformationByHandle(file, &info) != FALSE;
    }
    bool SeekToStart(HANDLE file) override {
        LARGE_INTEGER zero{};
        return ::SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) != FALSE;
    }
    bool Read(HANDLE file, void* pBuffer, DWORD nBytes, DWORD& nRead) override {
        return ::ReadFile(file, pBuffer, nBytes, &nRead, nullptr) != FALSE;
    }
    bool Write(HANDLE file, const void* pBuffer, DWORD nBytes, DWORD& nWritten) override {
        return ::WriteFile(file, pBuffer, nBytes, &nWritten, nullptr) != FALSE;
    }
    bool SetEnd(HANDLE file) override { return ::SetEndOfFile(file) != FALSE; }
    bool Flush(HANDLE file) override { return ::FlushFileBuffers(file) != FALSE; }
    bool Move(const std::wstring& from, const std::wstring& to, DWORD flags) override {
        return ::MoveFileExW(from.c_str(), to.c_str(), flags) != FALSE;
    }
    bool HardLink(const std::wstring& link, const std::wstring& existing) override {
        return ::CreateHardLinkW(link.c_str(), existing.c_str(), nullptr) != FALSE;
    }
    bool Delete(const std::wstring& path) override { return ::DeleteFileW(path.c_str()) != FALSE; }
    std::wstring TempFolder() override {
        DWORD n = ::GetTempPathW(0, nullptr);
        std::wstring folder(n, L'\0');
        n = ::GetTempPathW(n, folder.data());
        folder.resize(n);
        while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
            folder.pop_back();
        return folder;
    }
};

} // namespace

ISaveFileSystem& RealSaveFileSystem() {
    static CWin32SaveFileSystem s_fs;
    return s_fs;
}

TempCreateHook SetBeforeTempCreateHook(TempCreateHook pfn) {
    TempCreateHook previous = g_pfnBeforeTempCreate;
    g_pfnBeforeTempCreate = pfn;
    return previous;
}

bool FinishInterruptedSave(const std::wstring& strPath) {
    return FinishInterruptedSave(strPath, RealSaveFileSystem());
}

bool FinishInterruptedSave(const std::wstring& strPath, ISaveFileSystem& fs) {
    const std::wstring path = fs.FinalPath(strPath);
    const std::wstring name = NameOf(path);
    std::vector<std::pair<std::wstring, LeftoverSet>> tags;
    for (const std::wstring& entry : fs.ListFiles(FolderOf(path), L"~" + name + L".*")) {
        std::wstring suffix;
        std::wstring tag = OurTag(entry, name, suffix);
        if (tag.empty())
            continue;
        auto it = std::find_if(tags.begin(), tags.end(), [&](const auto& t) { return t.first == tag; });
        if (it == tags.end())
            it = tags.insert(tags.end(), {tag, LeftoverSet{}});
        LeftoverSet& left = it->second;
        if (suffix == L".tmp")
            left.bTmp = true;
        else if (suffix == L".new")
            left.bNew = true;
        else if (suffix == L".bak")
            left.bBak = true;
        else
            left.bOld = true;
    }
    bool bFinished = false;
    for (const auto& [tag, left] : tags)
        bFinished = FinishOne(fs, path, tag, left) || bFinished;
    return bFinished;
}

void WriteFileSafely(const std::wstring& strPath, const std::function<void(CFile&)>& write) {
    WriteFileSafely(strPath, write, RealSaveFileSystem());
}

void WriteFileSafely(const std::wstring& strPath, const std::function<void(CFile&)>& write, ISaveFileSystem& fs) {
    const std::wstring path = fs.FinalPath(strPath);
    DWORD attributes = fs.GetAttributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, strPath);
    // Wine lets a rename replace a read-only file (Windows refuses): refuse it here, before writing.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, strPath);

    // What an earlier save of this file left half done is finished first, so that this one starts
    // from a whole file under its own name.
    if (FinishInterruptedSave(path, fs))
        attributes = fs.GetAttributes(path);
    // Every file that holds the text during the save is as private as the original.
    std::vector<BYTE> security;
    if (attributes != INVALID_FILE_ATTRIBUTES)
        security = SecurityOf(fs, path, strPath);
    PSECURITY_DESCRIPTOR pSecurity = security.empty() ? nullptr : security.data();
    // The temporary file is created only if its name is still free: a file that took the name
    // (another save of the same file) would otherwise be emptied and then renamed over the user's
    // file. A taken name means another tag.
    std::wstring tag;
    std::wstring tempPath;
    CFile temp;
    for (unsigned attempt = 0;; ++attempt) {
        tag = NewTag(NameOf(path));
        tempPath = SiblingName(path, tag, L".tmp");
        if (g_pfnBeforeTempCreate)
            g_pfnBeforeTempCreate(tempPath);
        CFileException error;
        if (fs.CreateTemp(temp, tempPath, pSecurity, &error))
            break;
        if (attributes != INVALID_FILE_ATTRIBUTES && FolderRefusesNewFile(error.m_lOsError)) {
            // The folder takes no new file; the file itself may still be writable.
            SaveInPlaceThroughTempFolder(fs, path, strPath, write);
            return;
        }
        const bool bTaken = error.m_lOsError == ERROR_FILE_EXISTS || error.m_lOsError == ERROR_ALREADY_EXISTS;
        if (!bTaken || attempt + 1 >= kTempNameAttempts) {
            error.m_strFileName = strPath; // the user knows the file by its own name
            throw error;
        }
    }
    const std::wstring newPath = SiblingName(path, tag, L".new");
    std::wstring writtenPath = tempPath; // where the new text is while the save runs
    try {
        write(temp);
        fs.FlushTemp(temp); // the bytes must be on the disk before the rename makes them the file
        fs.CloseTemp(temp);
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            if (!fs.Move(tempPath, path, MOVEFILE_WRITE_THROUGH))
                ThrowLastError(strPath);
        } else {
            // The new name says the text is whole: a save cut short from here on is finished by the
            // next one, never thrown away.
            if (!fs.Move(tempPath, newPath, 0))
                ThrowLastError(strPath);
            writtenPath = newPath;
            ReplaceExisting(fs, path, newPath, attributes, tag, pSecurity, strPath);
        }
    } catch (CFileException& e) {
        fs.CloseTemp(temp);
        fs.Delete(writtenPath);
        e.m_strFileName = strPath;
        throw;
    } catch (...) {
        fs.CloseTemp(temp);
        fs.Delete(writtenPath);
        throw;
    }
}
