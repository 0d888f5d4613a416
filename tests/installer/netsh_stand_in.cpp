// Stands in for Windows' netsh.exe in the installer's tests (Wine has no firewall): appends its
// arguments, as the caller wrote them, as one UTF-8 line to the file NETSH_STAND_IN_RECORD
// names, and exits with the number in NETSH_STAND_IN_STATUS (0 when unset).
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main() {
    const wchar_t* record = _wgetenv(L"NETSH_STAND_IN_RECORD");
    const wchar_t* status = _wgetenv(L"NETSH_STAND_IN_STATUS");
    // The arguments start after the program's name, which may be quoted.
    const wchar_t* arguments = GetCommandLineW();
    const wchar_t end_of_name = *arguments == L'"' ? *arguments++ : L' ';
    while (*arguments && *arguments != end_of_name) ++arguments;
    while (*arguments == L'"' || *arguments == L' ') ++arguments;

    char line[4096];
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, arguments, -1, line, sizeof line, nullptr, nullptr);
    FILE* file = record ? _wfopen(record, L"ab") : nullptr;
    if (size == 0 || !file) return 99;
    const bool written = std::fprintf(file, "%s\n", line) > 0;
    if (std::fclose(file) != 0 || !written) return 99;
    return status ? _wtoi(status) : 0;
}
