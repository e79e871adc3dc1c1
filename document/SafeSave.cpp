// Safe replacement of a file's contents: write a sibling file and flush it, then make it the file
// with renames that leave the name holding a whole file at every moment, keeping the original
// file itself (its permissions, owner, links and streams) wherever the file system allows.
#include "document/SafeSave.h"
#include <windows.h>
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

// Our sibling names are "~" + the file's name + "." + a hex tag + ".tmp" or ".bak", e.g.
// "~memo.txt.1a2b.tmp".
std::wstring SiblingName(const std::wstring& path, unsigned tag, const wchar_t* suffix) {
    wchar_t text[16];
    swprintf(text, 16, L".%x", tag);
    return FolderOf(path) + L"\\~" + NameOf(path) + text + suffix;
}

// Whether `entry` is a sibling of ours for the file `name` with the given suffix.
bool IsOurSiblingOf(const std::wstring& entry, const std::wstring& name, const std::wstring& suffix) {
    const std::wstring prefix = L"~" + name + L".";
    if (entry.size() <= prefix.size() + suffix.size() || entry.compare(0, prefix.size(), prefix) != 0 ||
        entry.compare(entry.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    std::wstring tag = entry.substr(prefix.size(), entry.size() - suffix.size() - prefix.size());
    if (tag.empty() || tag.size() > 9) // earlier versions wrote tags of up to nine digits
        return false;
    for (wchar_t c : tag)
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f')))
            return false;
    return true;
}

// A save that was killed half way leaves its sibling files behind, up to the file's size each:
// remove those of this file with the given suffix. Only names of exactly our pattern for this file
// are touched, and a sibling that another save holds open cannot be deleted and stays.
void RemoveLeftovers(ISaveFileSystem& fs, const std::wstring& path, const std::wstring& suffix) {
    const std::wstring folder = FolderOf(path);
    const std::wstring name = NameOf(path);
    for (const std::wstring& entry : fs.ListFiles(folder, L"~*"))
        if (IsOurSiblingOf(entry, name, suffix))
            fs.Delete(folder + L"\\" + entry);
}

// How many tags a save tries for its temporary file before it gives up.
constexpr unsigned kTempNameAttempts = 16;

TempCreateHook g_pfnBeforeTempCreate = nullptr;

// A tag for this save whose ".tmp" and ".bak" names are both free.
unsigned FreeTag(ISaveFileSystem& fs, const std::wstring& path) {
    unsigned tag = (::GetCurrentProcessId() * 2654435761u) ^ static_cast<unsigned>(::GetTickCount64());
    for (unsigned attempt = 0; attempt < 100; ++attempt, tag += 7919) {
        if (fs.GetAttributes(SiblingName(path, tag, L".tmp")) == INVALID_FILE_ATTRIBUTES &&
            fs.GetAttributes(SiblingName(path, tag, L".bak")) == INVALID_FILE_ATTRIBUTES)
            break;
    }
    return tag;
}

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

// Opens an existing file for rewriting in place, waiting out a passing reader that allows no
// writers.
CFileHandle OpenForRewrite(ISaveFileSystem& fs, const std::wstring& path, const std::wstring& shownName) {
    CFileHandle h;
    DWORD err = Retrying(
        [&] {
            h.Attach(fs.Open(path, GENERIC_READ | GENERIC_WRITE, kShareAll, OPEN_EXISTING));
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
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), shownName);
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
            CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), shownName);
        if (got == 0)
            break;
        DWORD put = 0;
        if (!fs.Write(to, buffer.data(), got, put))
            CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), shownName);
        if (put != got)
            throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, shownName);
    }
    if (!fs.SetEnd(to) || !fs.Flush(to))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), shownName);
}

CFileHandle OpenToRead(ISaveFileSystem& fs, const std::wstring& path, const std::wstring& shownName) {
    CFileHandle h(fs.Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING));
    if (!h)
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), shownName);
    return h;
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
// copy of the old contents is kept aside until the new ones are on the disk, and put back if
// writing them fails.
void RewriteInPlace(ISaveFileSystem& fs, HANDLE original, const std::wstring& path, const std::wstring& tempPath,
                    unsigned tag, const std::wstring& shownName) {
    const std::wstring backupPath = SiblingName(path, tag, L".bak");
    CFileHandle backup(fs.Open(backupPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW));
    if (!backup)
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), shownName);
    try {
        CopyContents(fs, original, backup.Get(), shownName);
    } catch (...) {
        backup.Close();
        fs.Delete(backupPath);
        throw;
    }
    CFileHandle replacement(fs.Open(tempPath, GENERIC_READ, kShareAll, OPEN_EXISTING));
    try {
        if (!replacement)
            CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), shownName);
        CopyContents(fs, replacement.Get(), original, shownName);
    } catch (...) {
        // The old contents go back; should that fail too, the copy stays as the only whole one.
        CopyContents(fs, backup.Get(), original, shownName);
        backup.Close();
        fs.Delete(backupPath);
        throw;
    }
    backup.Close();
    fs.Delete(backupPath);
}

// Puts the flushed new file at tempPath in the place of the existing file at path. The original
// file itself is kept where the file system has hard links: a second name holds it while the new
// file takes its name in one rename, the new contents are then copied into it, and a second
// rename puts it back under its name. Under Wine a new file would get a fresh Unix mode (a
// private 0600 file would become 0644 and 0755 would lose its execute bit), and on Windows a new
// file would lose the original's ACL, streams and identity. The name holds the old or the new
// contents, whole, throughout.
void ReplaceExisting(ISaveFileSystem& fs, const std::wstring& path, const std::wstring& tempPath,
                     DWORD originalAttributes, unsigned tag, const std::wstring& shownName) {
    {
        // Opening the original for writing first waits out a passing reader, which would otherwise
        // make the renames or the copy below fail; it also tells whether the file has other names.
        CFileHandle original = OpenForRewrite(fs, path, shownName);
        DWORD nLinks = 0;
        if (fs.GetLinkCount(original.Get(), nLinks) && nLinks > 1) {
            RewriteInPlace(fs, original.Get(), path, tempPath, tag, shownName);
            fs.Delete(tempPath);
            return;
        }
    }
    const std::wstring keptPath = SiblingName(path, tag, L".bak");
    const bool bKept = fs.HardLink(keptPath, path);
    if (DWORD err = RenameOver(fs, tempPath, path)) {
        if (bKept)
            fs.Delete(keptPath);
        CFileException::ThrowOsError(static_cast<LONG>(err), shownName);
    }
    if (!bKept) { // no hard links here (FAT, some network shares): the new file stays
        RestoreAttributes(fs, path, originalAttributes);
        return;
    }
    // The name holds the whole new contents from here on; what follows only gives them back the
    // original file. Should it fail, the new file keeps the name with the user's attributes.
    bool bRestored = false;
    try {
        CFileHandle kept = OpenForRewrite(fs, keptPath, shownName);
        CFileHandle replacement = OpenToRead(fs, path, shownName);
        CopyContents(fs, replacement.Get(), kept.Get(), shownName);
        kept.Close();
        replacement.Close();
        bRestored = RenameOver(fs, keptPath, path) == 0;
    } catch (const CException&) {
    }
    if (!bRestored) {
        fs.Delete(keptPath);
        RestoreAttributes(fs, path, originalAttributes);
    }
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
    bool CreateTemp(CFile& file, const std::wstring& path, CFileException* pError) override {
        return file.Open(path, CFile::modeWrite | CFile::modeCreate | CFile::modeCreateNew | CFile::shareExclusive,
                         pError);
    }
    void FlushTemp(CFile& file) override { file.Flush(); }
    void CloseTemp(CFile& file) override { file.Close(); }
    HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) override {
        return ::CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    bool GetLinkCount(HANDLE file, DWORD& nLinks) override {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(file, &info))
            return false;
        nLinks = info.nNumberOfLinks;
        return true;
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

    // A ".tmp" sibling only ever held new contents that never became the file: it goes first, so
    // its room is free for this save. A ".bak" may be the last whole copy of the old contents (a
    // file with several names that was being rewritten in place) or a second name of the file:
    // those go once this save has succeeded. A stale second name makes this save rewrite the file
    // in place, which is sound too.
    RemoveLeftovers(fs, path, L".tmp");
    // The temporary file is created only if its name is still free: a file that took the name
    // since FreeTag looked (another save of the same file) would otherwise be emptied and then
    // renamed over the user's file. A taken name means another tag.
    unsigned tag = 0;
    std::wstring tempPath;
    CFile temp;
    for (unsigned attempt = 0;; ++attempt) {
        tag = FreeTag(fs, path);
        tempPath = SiblingName(path, tag, L".tmp");
        if (g_pfnBeforeTempCreate)
            g_pfnBeforeTempCreate(tempPath);
        CFileException error;
        if (fs.CreateTemp(temp, tempPath, &error))
            break;
        const bool bTaken = error.m_lOsError == ERROR_FILE_EXISTS || error.m_lOsError == ERROR_ALREADY_EXISTS;
        if (!bTaken || attempt + 1 >= kTempNameAttempts) {
            error.m_strFileName = strPath; // the user knows the file by its own name
            throw error;
        }
    }
    try {
        write(temp);
        fs.FlushTemp(temp); // the bytes must be on the disk before the rename makes them the file
        fs.CloseTemp(temp);
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            if (!fs.Move(tempPath, path, MOVEFILE_WRITE_THROUGH))
                CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), strPath);
        } else {
            ReplaceExisting(fs, path, tempPath, attributes, tag, strPath);
        }
    } catch (CFileException& e) {
        fs.CloseTemp(temp);
        fs.Delete(tempPath);
        e.m_strFileName = strPath;
        throw;
    } catch (...) {
        fs.CloseTemp(temp);
        fs.Delete(tempPath);
        throw;
    }
    RemoveLeftovers(fs, path, L".bak");
}
