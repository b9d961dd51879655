// FileDialog, the common open and save dialogs as the backup and restore pages use them: a title from
// the string table, a folder to start in, and the chosen path back (empty when the user cancels).
#pragma once

#include <string>

#include "commdlg.h"

namespace Snapins {

class FileDialog {
public:
    explicit FileDialog(HWND owner);

    // The title is the string with this id, cut to 99 characters.
    void SetTitle(UINT stringId);
    void SetInitialFolder(const std::wstring& folder) { m_initialFolder = folder; }
    const std::wstring& Title() const { return m_title; }
    const std::wstring& InitialFolder() const { return m_initialFolder; }

    // An existing file, or a file to write (the user confirms replacing one); empty when cancelled.
    std::wstring Open();
    std::wstring Save();

private:
    std::wstring Show(DWORD flags, bool save);

    OPENFILENAMEW m_record;
    std::wstring m_title;
    std::wstring m_initialFolder;
};

} // namespace Snapins
