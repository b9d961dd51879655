// One storage area under the databases container: its figures, dates, status and read-only option read
// from the object model, shown as a row of ten columns; the Backup and Restore wizards with the database
// preselected, the read-only toggle, and deletion of the database on the user's word.
#pragma once

#include <string>

#include "snapins/basenode.h"
#include "msde/dmo.h"

namespace MSDE::Nodes {

class CDatabase : public Snapins::CBaseNode {
public:
    // olderServer: the server's major version is below 9.
    CDatabase(DatabasePtr database, bool olderServer);
    ~CDatabase() override;

    // Reads every shown property again; the result of reading the date of the last backup.
    HRESULT Initialize() override;
    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    // Reads the database again and updates its row; the children stay.
    HRESULT OnRefresh(IConsole* console) override;
    HRESULT OnDelete(IConsole* console) override;
    // The General, Database Locks and File Groups pages; none while a wizard is being built.
    HRESULT CreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle) override;
    HRESULT QueryPagesFor() override;
    HRESULT AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) override;
    HRESULT OnMenuCommand(IConsole* console, long commandId, IComponent* component,
                          IComponentData* componentData, IDataObject* dataObject) override;
    // Columns 1 to 4 as numbers, the others as text.
    HRESULT CompareResultItems(CBaseNode* other, int column, int* result) override;
    // The Users container.
    HRESULT CreateChildren(IConsole* console) override;

    // Sets the database's read-only option. A failure is shown to the user and leaves the flag as it
    // was; false then.
    bool SetReadOnly(bool readOnly);

    const DatabasePtr& Database() const { return m_database; }
    const std::wstring& Name() const { return m_name; }
    bool ReadOnly() const { return m_readOnly; }
    bool SystemObject() const { return m_systemObject; }
    bool OlderServer() const { return m_olderServer; }
    long Status() const { return m_status; }

private:
    // The server node above the container, for the local-server test.
    CBaseNode* ServerNode() const;

    long m_status = 0;
    std::wstring m_name;
    std::wstring m_createdOn;
    std::wstring m_lastBackup;
    long m_size = -1;
    float m_spaceAvailable = -1.0f;
    long m_logSize = -1;
    float m_logSpaceAvailable = -1.0f;
    bool m_systemObject = false;
    bool m_readOnly = false;
    DatabasePtr m_database;
    bool m_olderServer;
};

} // namespace MSDE::Nodes
