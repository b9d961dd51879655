// What the netapi32 tests share: the accounts of the passwd file that CMake wrote, this computer's
// name, and the answer the winbind stand-in gives.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lm.h"

namespace netapitest {

// The 250 people's accounts of passwd.people in name order: p000 ... p249.
inline std::vector<std::wstring> PeopleNames() {
    std::vector<std::wstring> names;
    for (int i = 0; i < 250; ++i) {
        wchar_t name[8];
        std::swprintf(name, 8, L"p%03d", i);
        names.push_back(name);
    }
    return names;
}

// The computer's name, from the host name that nss_wrapper gives ("tavhost.example").
inline std::wstring Computer() {
    WCHAR name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? name : L"";
}

// Sets what the winbind stand-in answers (see wbclient_standin.cpp) for as long as it lives.
class WinbindAnswers {
public:
    explicit WinbindAnswers(const char* mode) { setenv("TVTEST_WINBIND", mode, 1); }
    ~WinbindAnswers() { unsetenv("TVTEST_WINBIND"); }
    WinbindAnswers(const WinbindAnswers&) = delete;
    WinbindAnswers& operator=(const WinbindAnswers&) = delete;
};

} // namespace netapitest
