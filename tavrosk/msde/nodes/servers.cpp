// CServers, a server group: its registered servers as children, the Register Server wizard, and the
// deletion of the group from the registration store.
#include "msde/nodes/servers.h"

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/wizards/newreg/newreg.h"
#include "msde/nodes/korvath.h"
#include "msde/nodes/nodetext.h"
#include "msde/nodes/server.h"
#include "msde/nodes/waitcursor.h"

namespace MSDE::Nodes {

namespace {
// {3692B400-8811-43FB-A804-B01B904F077E}
DEFINE_GUID(NODETYPE_Servers, 0x3692B400, 0x8811, 0x43FB, 0xA8, 0x04, 0xB0, 0x1B, 0x90, 0x4F, 0x07, 0x7E);

const Snapins::SNAPINMENUITEM kMenu[] = {
    {IDS_MENU_REGISTER_SERVER, IDS_STATUS_REGISTER_SERVER, IDM_REGISTER_SERVER,
     CCM_INSERTIONPOINTID_PRIMARY_NEW, 0, 0},
    {0, 0, 0, 0, 0, 0},
};

const UINT kColumns[] = {IDS_COLUMN_NAME, IDS_COLUMN_LANGUAGE, IDS_COLUMN_VERSION, IDS_COLUMN_SERVER};
const Snapins::SNAPINVERB kVerbs[] = {
    {Snapins::kEnableVerb, MMC_VERB_REFRESH},
    {Snapins::kEnableVerb, MMC_VERB_DELETE},
};
// The Register Server wizard's, unstretched.
const Snapins::SNAPINWIZARDPICTURES kWizardPictures[] = {
    {IDB_REGISTER_WATERMARK, IDB_REGISTER_HEADER, FALSE}};

// The group's one wizard.
constexpr int kRegisterWizard = 1;

} // namespace

CServers::CServers(std::wstring groupName, long ordinal)
    : m_groupName(std::move(groupName)), m_ordinal(ordinal) {
    m_imageIndex = 1;
    m_openImageIndex = 1;
    m_helpTopic = L"::servers.htm";
    m_columns = kColumns;
    m_verbs = kVerbs;
    m_wizardPictures = kWizardPictures;
}

const std::wstring CServers::GetDisplayText(int) {
    return m_groupName;
}

const GUID* CServers::GetNodeType() {
    return &NODETYPE_Servers;
}

// The group is looked for at the place the root found it. When the groups have moved since (one before
// it was deleted, another added), that place holds another group or none, and the group is looked for
// by its name: servers of another group are never listed here or removed from it.
ServerGroupPtr CServers::FindGroup(HRESULT* result) {
    HRESULT hr = E_FAIL;
    ServerGroupPtr group;
    auto* root = dynamic_cast<CKorvath*>(m_parent);
    if (root && raw(root->Application())) {
        ServerGroupsPtr groups;
        hr = raw(root->Application())->GetServerGroups(out(groups));
        if (SUCCEEDED(hr) && raw(groups)) {
            hr = raw(groups)->GetItemByOrd(m_ordinal, out(group));
            BSTR name = nullptr;
            if (SUCCEEDED(hr) && raw(group) && SUCCEEDED(raw(group)->GetName(&name)) &&
                TakeText(name) == m_groupName) {
                if (result) *result = hr;
                return group;
            }
            hr = raw(groups)->GetItemByName(m_groupName.c_str(), out(group));
            if (FAILED(hr)) group = ServerGroupPtr();
        }
    }
    if (result) *result = hr;
    return group;
}

HRESULT CServers::CreateChildren(IConsole* console) {
    CWaitCursor wait;
    HRESULT hr = S_OK;
    ServerGroupPtr group = FindGroup(&hr);
    if (!raw(group)) return FAILED(hr) ? hr : E_FAIL;
    RegisteredServersPtr servers;
    hr = raw(group)->GetRegisteredServers(out(servers));
    if (FAILED(hr) || !raw(servers)) return FAILED(hr) ? hr : E_POINTER;
    if (FAILED(hr = raw(servers)->Refresh(VARIANT_TRUE))) return hr;
    LONG count = 0;
    if (FAILED(hr = raw(servers)->GetCount(&count))) return hr;

    for (LONG i = 0; i < count; ++i) {
        RegisteredServerPtr server;
        hr = raw(servers)->GetItemByOrd(i, out(server));
        BSTR name = nullptr;
        // A registration that cannot be read is left out.
        if (SUCCEEDED(hr) && raw(server) && SUCCEEDED(raw(server)->GetName(&name)))
            AddChild(new CServer(TakeText(name)), true);
        ShowProgress(console, static_cast<int>((i + 1) * 100 / count), 0);
    }
    return hr;
}

HRESULT CServers::AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) {
    return AddMenuItemsFromTable(callback, kMenu, insertionAllowed);
}

// The list is read again when the wizard closes, finished or cancelled, so that new servers appear.
HRESULT CServers::OnMenuCommand(IConsole* console, long commandId, IComponent* component,
                                IComponentData* componentData, IDataObject* dataObject) {
    if (commandId != IDM_REGISTER_SERVER) return S_OK;
    RunNodeWizard(kRegisterWizard, console, component, componentData, dataObject);
    return S_OK;
}

// The Register Server wizard's pages, in the order the wizard shows them; none outside the wizard.
HRESULT CServers::CreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle) {
    HRESULT hr = CBaseNode::CreatePropertyPages(callback, notifyHandle);
    if (m_wizardSelector != kRegisterWizard || !callback) return hr;
    for (Snapins::CBasePropPage* page : Wizards::NewReg::CreatePages(this)) {
        KeepPage(page);
        if (page->PageHandle()) callback->AddPage(page->PageHandle());
    }
    return hr;
}

// The group has no property pages of its own: it offers pages only to the wizard.
HRESULT CServers::QueryPagesFor() {
    return m_wizardSelector == kRegisterWizard ? S_OK : S_FALSE;
}

HRESULT CServers::OnDelete(IConsole* console) {
    if (!console) return E_POINTER;
    std::wstring text = FillTemplate(Snapins::LoadResString(IDS_CONFIRM_DELETE_GROUP), m_groupName);
    std::wstring caption = Snapins::LoadResString(IDS_DELETE_GROUP_CAPTION);
    int answer = 0;
    HRESULT hr = console->MessageBox(text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION, &answer);
    // The root's RemoveChild takes the group out of the store; the node is gone after this.
    if (SUCCEEDED(hr) && answer == IDYES) return DeleteScopeItem(console);
    return S_FALSE;
}

} // namespace MSDE::Nodes
