// FileDialog: the dialog functions are resolved by name from the common dialog library the first time
// each is needed; a library that cannot be loaded counts as a cancelled dialog.
#include "snapins/filedialog.h"

#include "snapins/module.h"

namespace Snapins {

namespace {

using FileDialogFunction = BOOL(WINAPI*)(LPOPENFILENAMEW);

constexpr int kTitleBuffer = 100;
constexpr DWORD kPathBuffer = MAX_PATH;
constexpr DWORD kOpenFlags =
    OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NONETWORKBUTTON | OFN_ENABLESIZING;
constexpr DWORD kSaveFlags =
    OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NONETWORKBUTTON | OFN_ENABLESIZING;

FileDialogFunction Resolve(const char* name) {
    HMODULE library = LoadLibraryW(L"Comdlg32.dll");
    return library ? reinterpret_cast<FileDialogFunction>(GetProcAddress(library, name)) : nullptr;
}

FileDialogFunction OpenEntry() {
    static FileDialogFunction entry = Resolve("GetOpenFileNameW");
    return entry;
}

FileDialogFunction SaveEntry() {
    static FileDialogFunction entry = Resolve("GetSaveFileNameW");
    return entry;
}

} // namespace

FileDialog::FileDialog(HWND owner) : m_record{} {
    m_record.lStructSize = sizeof m_record;
    m_record.hwndOwner = owner;
}

void FileDialog::SetTitle(UINT stringId) {
    WCHAR buffer[kTitleBuffer] = {};
    int length = LoadStringW(SnapinModule().resourceModule, stringId, buffer, kTitleBuffer);
    m_title.assign(buffer, length > 0 ? length : 0);
}

std::wstring FileDialog::Open() {
    return Show(kOpenFlags, false);
}

std::wstring FileDialog::Save() {
    return Show(kSaveFlags, true);
}

std::wstring FileDialog::Show(DWORD flags, bool save) {
    WCHAR path[kPathBuffer] = {};
    m_record.lpstrFile = path;
    m_record.nMaxFile = kPathBuffer;
    m_record.lpstrTitle = m_title.c_str();
    m_record.lpstrInitialDir = m_initialFolder.c_str();
    m_record.Flags = flags;
    FileDialogFunction show = save ? SaveEntry() : OpenEntry();
    bool chosen = show && show(&m_record);
    // The record must not keep pointing at this call's buffer.
    m_record.lpstrFile = nullptr;
    m_record.nMaxFile = 0;
    return chosen ? std::wstring(path) : std::wstring();
}

} // namespace Snapins
