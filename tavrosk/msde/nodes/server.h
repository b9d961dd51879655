// A registered server under its server group. The node owns the object model's server object and
// connects it on first need, with the login it holds or with Windows authentication; when the
// connection fails, the result pane shows a logon failure page with the server's description, and
// "Connect as..." lets the user try other credentials. The credentials live in the node only.
#pragma once

#include <string>

#include "snapins/basenode.h"
#include "msde/dmo.h"

namespace MSDE::Nodes {

class CServer : public Snapins::CBaseNode {
public:
    explicit CServer(std::wstring serverName);
    ~CServer() override;

    // Column 0 the name, 1 the language, 2 the version, 3 the computer the server runs on.
    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    // The list when connected, else the console's message view.
    HRESULT GetResultViewType(LPOLESTR* viewType, long* viewOptions) override;
    HRESULT OnExpand(IConsoleNameSpace* nameSpace, IConsole* console, HSCOPEITEM item) override;
    HRESULT OnShow(IConsole* console, BOOL selecting, HSCOPEITEM item) override;
    HRESULT OnDelete(IConsole* console) override;
    HRESULT CreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle) override;
    HRESULT QueryPagesFor() override;
    HRESULT AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) override;
    HRESULT OnMenuCommand(IConsole* console, long commandId, IComponent* component,
                          IComponentData* componentData, IDataObject* dataObject) override;
    // The containers under a connected server, once per server object.
    HRESULT CreateChildren(IConsole* console) override;

    // Connects the server object unless there is one already (a failed one included); the connect
    // result, or S_OK when there was nothing to do or no object could be made.
    HRESULT Connect();
    // Asks for other credentials; OK connects anew with them. E_FAIL in every case.
    HRESULT ConnectAs(IConsole* console);
    // A new reference to the server object, connecting first when there is none; empty when it could
    // not be created.
    ServerPtr Server();

    const std::wstring& ServerName() const { return m_serverName; }
    const std::wstring& Login() const { return m_login; }
    const std::wstring& Password() const { return m_password; }
    const std::wstring& ErrorText() const { return m_errorText; }
    bool Connected() const { return m_connected; }
    // True when the connected server is older than major version 9: the containers under a server
    // manage such a server, and show a notice for newer ones.
    bool OlderServer() const { return m_olderServer; }

private:
    HRESULT ShowLogonFailure(IConsole* console);

    std::wstring m_serverName;
    std::wstring m_login;
    std::wstring m_password;
    std::wstring m_errorText;
    std::wstring m_language;
    std::wstring m_version;
    std::wstring m_serverText;
    bool m_connected = false;
    bool m_olderServer = true;
    ServerPtr m_server;
};

} // namespace MSDE::Nodes
