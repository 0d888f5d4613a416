#include "ui/win32/resource_version.h"

#include <windows.h>

#include <vector>

namespace tavro::ui {

VersionParts VersionFromOwnResource() {
    VersionParts parts;
    wchar_t path[MAX_PATH] = {};
    if (::GetModuleFileNameW(nullptr, path, MAX_PATH) == 0) return parts;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) return parts;
    std::vector<unsigned char> block(size + 1);
    if (!::GetFileVersionInfoW(path, 0, size, block.data())) return parts;

    void* translation = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &length) ||
        length == 0) {
        return parts;
    }
    void* root = nullptr;
    if (!::VerQueryValueW(block.data(), L"\\", &root, &length) ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return parts;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(root);
    parts.major = HIWORD(fixed->dwFileVersionMS);
    parts.minor = LOWORD(fixed->dwFileVersionMS);
    parts.build = HIWORD(fixed->dwFileVersionLS);
    parts.revision = LOWORD(fixed->dwFileVersionLS);
    return parts;
}

}  // namespace tavro::ui
