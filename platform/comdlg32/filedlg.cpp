// The open and save file dialogs. A person chooses the file through the front end (tvfrontend.h);
// comdlg32 then checks the answer as the dialog does before it closes (the folder must exist, the file
// must exist, an existing file is replaced only after a Yes), refusing with a message box and asking
// again, and fills in the caller's OPENFILENAMEW. Without a front end the dialog is cancelled.
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "commdlg.h"
#include "tvfrontend.h"
#include "tvplatform.h"

namespace {

thread_local DWORD t_error = 0;

size_t NameStart(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? 0 : slash + 1;
}

// Where the extension of the file name starts (after its dot), or npos.
size_t ExtensionStart(const std::wstring& path) {
    size_t dot = path.find_last_of(L'.');
    return dot == std::wstring::npos || dot < NameStart(path) ? std::wstring::npos : dot + 1;
}

bool Exists(const std::wstring& path, bool folder) {
    std::error_code ec;
    std::filesystem::path native(tvp::NativePath(path));
    return folder ? std::filesystem::is_directory(native, ec) : std::filesystem::exists(native, ec);
}

// The folder part of a path; empty for a bare file name, which lives in the current folder.
std::wstring FolderOf(const std::wstring& path) {
    size_t start = NameStart(path);
    return start == 0 ? std::wstring() : path.substr(0, start);
}

int Refuse(const OPENFILENAMEW& ofn, bool save, const std::wstring& text, UINT type) {
    const wchar_t* caption = ofn.lpstrTitle ? ofn.lpstrTitle : (save ? L"Save As" : L"Open");
    return MessageBoxW(ofn.hwndOwner, text.c_str(), caption, type);
}

// Whether the dialog may close with this path; a refusal has told the person why.
bool Acceptable(const OPENFILENAMEW& ofn, bool save, const std::wstring& path) {
    std::wstring folder = FolderOf(path);
    if ((ofn.Flags & OFN_PATHMUSTEXIST) && !folder.empty() && !Exists(folder, true)) {
        Refuse(ofn, save, path + L"\nPath does not exist.\nCheck the path and try again.",
               MB_OK | MB_ICONWARNING);
        return false;
    }
    bool exists = Exists(path, false);
    if (!save && (ofn.Flags & OFN_FILEMUSTEXIST) && !exists) {
        Refuse(ofn, save, path + L"\nFile not found.\nCheck the file name and try again.",
               MB_OK | MB_ICONWARNING);
        return false;
    }
    if (!save && (ofn.Flags & OFN_CREATEPROMPT) && !exists)
        return Refuse(ofn, save, path + L"\nThis file does not exist.\nDo you want to create it?",
                      MB_YESNO | MB_ICONQUESTION) == IDYES;
    if (save && (ofn.Flags & OFN_OVERWRITEPROMPT) && exists)
        return Refuse(ofn, save,
                      path.substr(NameStart(path)) + L" already exists.\nDo you want to replace it?",
                      MB_YESNO | MB_ICONWARNING) == IDYES;
    return true;
}

BOOL Run(LPOPENFILENAMEW ofn, bool save) {
    t_error = 0;
    if (!ofn ||
        (ofn->lStructSize != sizeof(OPENFILENAMEW) && ofn->lStructSize != OPENFILENAME_SIZE_VERSION_400W)) {
        t_error = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (!ofn->lpstrFile || ofn->nMaxFile == 0) {
        t_error = CDERR_INITIALIZATION;
        return FALSE;
    }
    ITvFrontEnd* frontEnd = TvGetFrontEnd();
    if (!frontEnd) return FALSE; // no one to ask: cancelled
    std::wstring path;
    for (;;) {
        path.clear();
        if (!frontEnd->ChooseFile(*ofn, save, path) || path.empty()) return FALSE;
        if (save && ofn->lpstrDefExt && *ofn->lpstrDefExt && ExtensionStart(path) == std::wstring::npos)
            path += std::wstring(L".") + ofn->lpstrDefExt;
        if (Acceptable(*ofn, save, path)) break;
    }
    if (path.size() + 1 > ofn->nMaxFile) {
        t_error = FNERR_BUFFERTOOSMALL;
        if (ofn->nMaxFile >= 2) { // the characters needed, in the buffer's first two bytes
            WORD needed = static_cast<WORD>(std::min<size_t>(path.size() + 1, 0xFFFF));
            std::memcpy(ofn->lpstrFile, &needed, sizeof needed);
        }
        return FALSE;
    }
    wmemcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
    size_t name = NameStart(path), extension = ExtensionStart(path);
    ofn->nFileOffset = static_cast<WORD>(std::min<size_t>(name, 0xFFFF));
    ofn->nFileExtension = static_cast<WORD>(std::min<size_t>(
        extension == std::wstring::npos ? path.size() : (extension == path.size() ? 0 : extension), 0xFFFF));
    if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
        std::wstring title = path.substr(name).substr(0, ofn->nMaxFileTitle - 1);
        wmemcpy(ofn->lpstrFileTitle, title.c_str(), title.size() + 1);
    }
    ofn->Flags &= ~(OFN_READONLY | OFN_EXTENSIONDIFFERENT);
    if (ofn->lpstrDefExt && extension != std::wstring::npos && path.substr(extension) != ofn->lpstrDefExt)
        ofn->Flags |= OFN_EXTENSIONDIFFERENT;
    return TRUE;
}

} // namespace

extern "C" BOOL WINAPI GetOpenFileNameW(LPOPENFILENAMEW lpofn) {
    return Run(lpofn, false);
}

extern "C" BOOL WINAPI GetSaveFileNameW(LPOPENFILENAMEW lpofn) {
    return Run(lpofn, true);
}

extern "C" DWORD WINAPI CommDlgExtendedError(void) {
    return t_error;
}
