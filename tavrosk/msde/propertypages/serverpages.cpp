// CServerLoginsPage and CServerBackupDevicesPage: the names of a connected server's logins and backup
// devices, read once when the page is made. A server node that is not connected gives empty lists.
#include "msde/propertypages/serverpages.h"

#include <string>

#include "resources/resource.h"
#include "snapins/basenode.h"
#include "msde/dmo.h"
#include "msde/dmotext.h"
#include "msde/nodes/server.h"
#include "mmc.h"

namespace MSDE::PropertyPages {

namespace {

// The page's node's server object, when that node is a connected server; empty otherwise.
ServerPtr ConnectedServer(Snapins::CBaseNode* node) {
    auto* server = dynamic_cast<Nodes::CServer*>(node);
    if (!server || !server->Connected()) return {};
    return server->Server();
}

void AddName(HWND list, const std::wstring& name) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = const_cast<LPWSTR>(name.c_str());
    ListView_InsertItem(list, &item);
}

// One item per member of the collection whose name can be read; the others are left out.
template <class CollectionPtr, class ItemPtr> void ListNames(HWND list, const CollectionPtr& collection) {
    LONG count = 0;
    if (!raw(collection) || FAILED(raw(collection)->GetCount(&count))) return;
    for (LONG i = 0; i < count; ++i) {
        ItemPtr item;
        BSTR name = nullptr;
        if (SUCCEEDED(raw(collection)->GetItemByOrd(i, out(item))) && raw(item) &&
            SUCCEEDED(raw(item)->GetName(&name)))
            AddName(list, TakeText(name));
    }
}

} // namespace

INT_PTR CServerLoginsPage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    ServerPtr server = ConnectedServer(m_node);
    LoginsPtr logins;
    if (raw(server) && SUCCEEDED(raw(server)->GetLogins(out(logins))))
        ListNames<LoginsPtr, LoginPtr>(GetDlgItem(window, IDC_SERVER_LIST), logins);
    return result;
}

INT_PTR CServerLoginsPage::OnDestroy() {
    // A node being deleted takes its pages with it and has no sheet left to tell.
    if (Snapins::CBaseNode::IsLive(m_node) && m_node->SheetNotifyHandle())
        MMCFreeNotifyHandle(m_node->SheetNotifyHandle());
    return CBasePropPage::OnDestroy();
}

INT_PTR CServerBackupDevicesPage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    ServerPtr server = ConnectedServer(m_node);
    BackupDevicesPtr devices;
    if (raw(server) && SUCCEEDED(raw(server)->GetBackupDevices(out(devices))))
        ListNames<BackupDevicesPtr, BackupDevicePtr>(GetDlgItem(window, IDC_SERVER_LIST), devices);
    return result;
}

} // namespace MSDE::PropertyPages
