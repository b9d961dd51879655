// CKorvath, the root node: start-up and shut-down of the snap-in's state, and the server groups of the
// object model's registration store as its children.
#include "msde/nodes/korvath.h"

#include <utility>

#include "resources/resource.h"
#include "snapins/module.h"
#include "snapins/resstring.h"
#include "snapins/satellite.h"
#include "msde/rememberedpaths.h"
#include "msde/dmotext.h"
#include "msde/nodes/servers.h"
#include "msde/nodes/waitcursor.h"

namespace MSDE::Nodes {

namespace {
// {503E6A19-4630-46E3-81EE-110693CFC83E}
DEFINE_GUID(NODETYPE_Korvath, 0x503E6A19, 0x4630, 0x46E3, 0x81, 0xEE, 0x11, 0x06, 0x93, 0xCF, 0xC8, 0x3E);
} // namespace

CKorvath::CKorvath() {
    m_imageIndex = 0;
    m_openImageIndex = 0;
    m_helpTopic = L"::main.htm";
    m_verbs = Snapins::kRefreshVerbs;
}

CKorvath::~CKorvath() {
    SaveRememberedPaths();
    m_application = ApplicationPtr();
}

// A refresh of the root calls this again: the satellite and the remembered paths are taken only once,
// or a refresh would throw away a path remembered since the start and ask about the satellite again.
HRESULT CKorvath::Initialize() {
    if (!m_started) {
        m_started = true;
        Snapins::CSnapinModule& module = Snapins::SnapinModule();
        if (HMODULE satellite = Snapins::LoadSatelliteLibrary(module.resourceModule, L"tavroskres.dll"))
            module.resourceModule = satellite; // kept for the life of the process
        LoadRememberedPaths();
    }
    if (!raw(m_application)) {
        HRESULT hr = S_OK;
        m_application = CreateDmo<IWSQLDMOApplication>(CLSID_SQLDMOApplication, IID_IWSQLDMOApplication, &hr);
        if (FAILED(hr)) OutputDebugStringA("The object model's Application could not be created\n");
    }
    return S_OK;
}

void CKorvath::RemoveChild(IConsole* console, Snapins::CBaseNode* child) {
    if (auto* group = dynamic_cast<CServers*>(child); group && raw(m_application)) {
        // The node goes whatever the store says; a group that stays in the store is listed again on
        // the next refresh.
        try {
            ServerGroupsPtr groups;
            DmoCheck(m_application, raw(m_application)->GetServerGroups(out(groups)));
            DmoCheck(groups, raw(groups)->RemoveByName(group->GetDisplayText(0).c_str()));
        } catch (const std::exception& error) {
            TraceError(error);
        }
    }
    CBaseNode::RemoveChild(console, child);
}

// Loaded on every call, so that it follows the current resource module.
const std::wstring CKorvath::GetDisplayText(int) {
    return Snapins::LoadResString(IDS_SNAPIN_NAME);
}

const GUID* CKorvath::GetNodeType() {
    return &NODETYPE_Korvath;
}

HRESULT CKorvath::GetResultViewType(LPOLESTR* viewType, long* viewOptions) {
    if (viewType) *viewType = nullptr;
    if (viewOptions) *viewOptions = MMC_VIEW_OPTIONS_NONE;
    return S_OK;
}

// The root's scope item comes from the console only here; the refresh names it to the views.
HRESULT CKorvath::OnShow(IConsole* console, BOOL selecting, HSCOPEITEM item) {
    m_scopeItem = item;
    return CBaseNode::OnShow(console, selecting, item);
}

HRESULT CKorvath::CreateChildren(IConsole*) {
    CWaitCursor wait;
    if (!raw(m_application)) return E_FAIL; // no Application, no groups
    ServerGroupsPtr groups;
    HRESULT hr = raw(m_application)->GetServerGroups(out(groups));
    if (FAILED(hr) || !raw(groups)) return FAILED(hr) ? hr : E_POINTER;
    LONG count = 0;
    hr = raw(groups)->GetCount(&count);
    if (FAILED(hr)) return hr;

    // Only the first listing can be a first use: a store emptied later is the user's deletion of every
    // group, which must not bring the default group back behind their back.
    const bool firstListing = !std::exchange(m_groupsListed, true);
    if (count < 1 && !firstListing) return S_OK;
    if (count < 1) {
        // First use on this computer: the group is made now and listed from the next time on.
        HRESULT created = S_OK;
        ServerGroupPtr group =
            CreateDmo<IWSQLDMOServerGroup>(CLSID_SQLDMOServerGroup, IID_IWSQLDMOServerGroup, &created);
        if (FAILED(created) || !raw(group)) return FAILED(created) ? created : E_POINTER;
        try {
            DmoCheck(group, raw(group)->SetName(Snapins::LoadResString(IDS_DEFAULT_GROUP).c_str()));
            DmoCheck(groups, raw(groups)->Add(raw(group)));
        } catch (const std::exception& error) {
            TraceError(error);
            return E_FAIL;
        }
        return created;
    }

    for (LONG i = 0; i < count; ++i) {
        ServerGroupPtr group;
        if (FAILED(raw(groups)->GetItemByOrd(i, out(group))) || !raw(group)) continue;
        BSTR name = nullptr;
        if (FAILED(raw(group)->GetName(&name))) continue;
        AddChild(new CServers(TakeText(name), i), true);
    }
    return S_OK;
}

} // namespace MSDE::Nodes
