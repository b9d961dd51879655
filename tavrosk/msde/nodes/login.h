// One login under the Logins container: a user of the storage-area access library, shown by its name.
// It can be deleted (which removes the user from the library) and has a General page and, for
// administrators, a page of its permissions on each data type.
#pragma once

#include <string>

#include "snapins/basenode.h"

namespace MSDE::Nodes {

class CLogins;

class CLogin : public Snapins::CBaseNode {
public:
    explicit CLogin(std::wstring name);

    // The name, in every column.
    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    HRESULT OnDelete(IConsole* console) override;
    HRESULT CreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle) override;
    HRESULT QueryPagesFor() override;

    const std::wstring& Name() const { return m_name; }
    // The name of the server whose library keeps the login; empty outside a Logins container.
    std::wstring ServerName() const;

private:
    std::wstring m_name;
};

} // namespace MSDE::Nodes
