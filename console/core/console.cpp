// The console: its snap-ins, the scope tree they share, its views, and what belongs to no single view:
// the first expansion of an item (MMCN_EXPAND goes to the snap-in once, whichever view needs the
// children), the deletion of scope items (the views let go of a selection inside them first), the
// snap-in's UpdateAllViews (MMCN_VIEW_CHANGE to each view's IComponent), and help topics.
#include "console.h"

#include <filesystem>

#include "objects.h"
#include "propertysheet.h"
#include "snapin.h"
#include "tvplatform.h"

namespace Console {

CConsole::CConsole() {
    m_views.push_back(std::make_unique<CView>(*this, 0));
    m_sheets = std::make_unique<CPropertySheets>(*this);
}

CConsole::~CConsole() {
    Close();
}

CConsole::CAction::CAction(CConsole& console) : m_console(console) {
    ++m_console.m_actionDepth;
}

CConsole::CAction::~CAction() {
    if (--m_console.m_actionDepth > 0) return;
    ++m_console.m_actionDepth; // settling may select items, which is an action of its own
    for (auto& view : m_console.m_views)
        view->Settle();
    --m_console.m_actionDepth;
}

HRESULT CConsole::AddSnapin(REFCLSID clsid, std::wstring* problem) {
    CAction action(*this);
    auto snapin = std::make_unique<CSnapin>(*this, clsid);
    HRESULT hr = snapin->Open(problem);
    if (FAILED(hr)) return hr;
    CSnapin* added = snapin.get();
    m_snapins.push_back(std::move(snapin));
    for (auto& view : m_views)
        view->AttachSnapin(added);
    return S_OK;
}

HRESULT CConsole::AddRegisteredSnapins(std::wstring* problem) {
    // One snap-in that cannot be created (a library removed since it was registered) does not keep the
    // others out; its problem is reported all the same.
    std::wstring problems;
    HRESULT failure = S_OK;
    bool any = false;
    for (const CRegisteredSnapin& registered : FindRegisteredSnapins()) {
        if (!registered.standAlone) continue;
        std::wstring why;
        HRESULT hr = AddSnapin(registered.clsid, &why);
        if (SUCCEEDED(hr)) {
            any = true;
            continue;
        }
        failure = hr;
        problems += (problems.empty() ? L"" : L"\n") + why;
    }
    if (!any && problems.empty()) {
        problems = L"No snap-in is registered in this prefix (" + tvp::FromUtf8(tvp::Prefix()) +
                   L"). Prepare it with tavrosk-init.";
        failure = REGDB_E_CLASSNOTREG;
    }
    if (problem) *problem = problems;
    return any ? S_OK : failure;
}

void CConsole::Close() {
    if (m_closed) return;
    m_closed = true;
    // The open sheets' pages belong to the snap-ins, which must still be loaded when the pages go.
    m_sheets->Close();
    // The components of every view go before the snap-ins' scope sides.
    for (auto& view : m_views)
        view->DetachSnapins();
    for (auto& snapin : m_snapins)
        snapin->Close();
    // A snap-in's running work ends before its library may go; the status bar says why the console waits.
    for (auto& snapin : m_snapins)
        snapin->WaitUntilUnloadable([this] {
            for (auto& view : m_views)
                view->SetStatusText(L"Waiting for running tasks to end...");
        });
    m_snapins.clear();
}

CView& CConsole::NewView() {
    m_views.push_back(std::make_unique<CView>(*this, static_cast<int>(m_views.size())));
    CView& view = *m_views.back();
    if (!m_closed)
        for (auto& snapin : m_snapins)
            view.AttachSnapin(snapin.get());
    return view;
}

CView& CConsole::ActiveView() {
    return *m_views.at(m_activeView < m_views.size() ? m_activeView : 0);
}

std::vector<HSCOPEITEM> CConsole::Children(HSCOPEITEM item) const {
    const CScopeItem* found = m_tree.Find(item);
    return found ? found->children : std::vector<HSCOPEITEM>{};
}

HSCOPEITEM CConsole::Parent(HSCOPEITEM item) const {
    const CScopeItem* found = m_tree.Find(item);
    return found ? found->parent : 0;
}

bool CConsole::ExpandedOnce(HSCOPEITEM item) const {
    const CScopeItem* found = m_tree.Find(item);
    return found && found->expandedOnce;
}

CSnapin* CConsole::SnapinOf(HSCOPEITEM item) const {
    const CScopeItem* found = m_tree.Find(item);
    return found ? found->owner : nullptr;
}

std::wstring CConsole::DisplayName(HSCOPEITEM item) {
    CScopeItem* found = m_tree.Find(item);
    if (!found || !found->owner) return {};
    return found->owner->ScopeItemName(*found);
}

HRESULT CConsole::ExpandOnce(HSCOPEITEM item) {
    CScopeItem* found = m_tree.Find(item);
    if (!found) return E_INVALIDARG;
    if (found->expandedOnce) return S_OK;
    // Marked before the snap-in hears of it, so that an expansion it causes itself is not sent again.
    found->expandedOnce = true;
    CSnapin* snapin = found->owner;
    tvcom::ComPtr<IDataObject> data = snapin->ScopeDataObject(*found);
    ++m_expandDepth;
    HRESULT hr = snapin->Notify(data.Get(), MMCN_EXPAND, TRUE, item);
    --m_expandDepth;
    return hr;
}

HRESULT CConsole::InsertScopeItem(CSnapin* snapin, LPSCOPEDATAITEM item) {
    return m_tree.InsertItem(snapin, item);
}

HRESULT CConsole::DeleteScopeItem(CSnapin* snapin, HSCOPEITEM item, bool deleteThis) {
    const CScopeItem* found = m_tree.Find(item);
    if (!found || found->owner != snapin) return E_INVALIDARG;
    if (deleteThis && found->isStatic) return E_INVALIDARG;
    HSCOPEITEM survivor = deleteThis ? found->parent : item;
    // A view whose selection is about to go tells the snap-in while the items still exist.
    for (auto& view : m_views)
        view->ScopeItemsLeaving(item, deleteThis);
    std::vector<HSCOPEITEM> removed;
    HRESULT hr = m_tree.DeleteItem(item, deleteThis, &removed);
    if (FAILED(hr)) return hr;
    for (auto& view : m_views)
        view->ScopeItemsRemoved(removed, survivor);
    return S_OK;
}

HRESULT CConsole::UpdateAllViews(CSnapin* snapin, LPDATAOBJECT data, LPARAM arg, LONG_PTR hint) {
    // A view may go away while another handles the change; walk by index.
    for (size_t i = 0; i < m_views.size(); ++i)
        if (IComponent* component = m_views[i]->ComponentOf(snapin))
            component->Notify(data, MMCN_VIEW_CHANGE, arg, hint);
    return S_OK;
}

// Property sheets -------------------------------------------------------------------------------------------

std::vector<HWND> CConsole::OpenSheets() const {
    return m_sheets->OpenSheets();
}

HWND CConsole::ModalSheet() const {
    return m_sheets->ModalSheet();
}

HWND CConsole::FrontSheet() const {
    if (HWND modal = ModalSheet()) return modal;
    std::vector<HWND> open = OpenSheets();
    return open.empty() ? nullptr : open.back();
}

void CConsole::SheetBroughtForward(HWND sheet) {
    if (m_events) m_events->SheetBroughtForward(sheet);
}

// Help ------------------------------------------------------------------------------------------------------

std::vector<std::wstring> CConsole::HelpFiles() {
    std::vector<std::wstring> files;
    for (auto& snapin : m_snapins) {
        std::wstring file = snapin->HelpFile();
        if (!file.empty()) files.push_back(file);
    }
    return files;
}

// "file.chm::/topic.htm" is the page topic.htm of the help file; the pages of file.chm are installed in
// the folder help/file/ beside the console's bin/ folder.
std::wstring CConsole::HelpPath(const std::wstring& topic) const {
    std::wstring file = topic, page;
    size_t split = topic.find(L"::");
    if (split != std::wstring::npos) {
        file = topic.substr(0, split);
        page = topic.substr(split + 2);
    }
    while (!page.empty() && (page.front() == L'/' || page.front() == L'\\'))
        page.erase(page.begin());
    size_t slash = file.find_last_of(L"/\\");
    if (slash != std::wstring::npos) file = file.substr(slash + 1);
    size_t dot = file.find_last_of(L'.');
    if (dot != std::wstring::npos) file = file.substr(0, dot);
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    std::filesystem::path folder = exe.parent_path().parent_path() / "help" / tvp::ToUtf8(file);
    if (page.empty()) page = L"index.htm";
    return tvp::FromUtf8((folder / tvp::ToUtf8(page)).string());
}

void CConsole::ShowHelpTopic(const std::wstring& topic) {
    if (m_events) m_events->HelpShown(topic, HelpPath(topic));
}

} // namespace Console
