// Reads, writes and deletes values under HKEY_CURRENT_USER for the tests.
#include "Registry.h"
#include "framework/Handles.h"
#include <utility>

namespace e2e {

bool DeleteUserKey(const std::wstring& subKey) {
    // Given a subkey name, RegDeleteTreeW removes the key itself along with its contents.
    ::RegDeleteTreeW(HKEY_CURRENT_USER, subKey.c_str());
    return !UserKeyExists(subKey);
}

bool UserKeyExists(const std::wstring& subKey) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    CRegKey owner(key);
    return true;
}

bool DeleteUserValue(const std::wstring& name, const std::wstring& subKey) {
    LSTATUS status = ::RegDeleteKeyValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::optional<DWORD> ReadUserDword(const std::wstring& name, const std::wstring& subKey) {
    DWORD value = 0, size = sizeof(value);
    if (::RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::optional<std::wstring> ReadUserString(const std::wstring& name, const std::wstring& subKey) {
    DWORD size = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, text.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    return text;
}

bool WriteUserDword(const std::wstring& name, DWORD value, const std::wstring& subKey) {
    return ::RegSetKeyValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), REG_DWORD, &value, sizeof(value)) ==
           ERROR_SUCCESS;
}

bool WriteUserString(const std::wstring& name, const std::wstring& value, const std::wstring& subKey) {
    return ::RegSetKeyValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), REG_SZ, value.c_str(),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

CUserKeyReset::CUserKeyReset(std::wstring subKey) : m_strSubKey(std::move(subKey)) {
    DeleteUserKey(m_strSubKey);
}

CUserKeyReset::~CUserKeyReset() {
    DeleteUserKey(m_strSubKey);
}

} // namespace e2e
