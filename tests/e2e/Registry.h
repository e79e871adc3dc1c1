#pragma once
// The per-user registry that a program under test shares with the test (same Wine prefix):
// reading its stored values and clearing them before and after a test.
#include <windows.h>
#include <optional>
#include <string>

namespace e2e {

// The editor's own settings key under HKEY_CURRENT_USER.
constexpr const wchar_t* kSettingsKey = L"Software\\zanvo\\Tessarin";

// Deletes `subKey` of HKEY_CURRENT_USER with everything below it; true when it is gone afterwards.
bool DeleteUserKey(const std::wstring& subKey = kSettingsKey);
bool UserKeyExists(const std::wstring& subKey = kSettingsKey);
bool DeleteUserValue(const std::wstring& name, const std::wstring& subKey = kSettingsKey);
std::optional<DWORD> ReadUserDword(const std::wstring& name, const std::wstring& subKey = kSettingsKey);
std::optional<std::wstring> ReadUserString(const std::wstring& name, const std::wstring& subKey = kSettingsKey);
bool WriteUserDword(const std::wstring& name, DWORD value, const std::wstring& subKey = kSettingsKey);
bool WriteUserString(const std::wstring& name, const std::wstring& value, const std::wstring& subKey = kSettingsKey);

// Deletes the key when constructed and again when destroyed, so a test starts from the defaults
// and leaves nothing behind.
class CUserKeyReset {
public:
    explicit CUserKeyReset(std::wstring subKey = kSettingsKey);
    ~CUserKeyReset();
    CUserKeyReset(const CUserKeyReset&) = delete;
    CUserKeyReset& operator=(const CUserKeyReset&) = delete;

private:
    std::wstring m_strSubKey;
};

} // namespace e2e
