// One snap-in loaded into the console: its IComponentData, the console object it was initialized with,
// its static node and its scope images. The snap-in is found through the registry and created through
// the class factory of the library that HKCR\CLSID names; the console knows it only by its interfaces.
#pragma once

#include <functional>

#include <string>

#include "tvcom.h"
#include "mmc.h"

namespace Console {

class CConsole;
class CConsoleObject;
class CImageList;
struct CScopeItem;

class CSnapin {
public:
    CSnapin(CConsole& console, REFCLSID clsid);
    ~CSnapin();
    CSnapin(const CSnapin&) = delete;
    CSnapin& operator=(const CSnapin&) = delete;

    // Creates the snap-in, inserts its static node and initializes it. `problem` says what failed.
    HRESULT Open(std::wstring* problem);
    // Destroys the snap-in's scope side and lets go of it; the views' components go first.
    void Close();

    const CLSID& Clsid() const { return m_clsid; }
    const std::wstring& RegisteredName() const { return m_registeredName; }
    IComponentData* ComponentData() const { return m_componentData.Get(); }
    HSCOPEITEM StaticNode() const { return m_staticNode; }
    CConsoleObject* ConsoleObject() const { return m_consoleObject.Get(); }
    CImageList* ScopeImages() const { return m_scopeImages.Get(); }

    // The data object of one of its scope items, from IComponentData::QueryDataObject.
    tvcom::ComPtr<IDataObject> ScopeDataObject(const CScopeItem& item, DATA_OBJECT_TYPES type = CCT_SCOPE);
    // The name of one of its scope items, asked through IComponentData::GetDisplayInfo.
    std::wstring ScopeItemName(const CScopeItem& item);
    HRESULT Notify(IDataObject* data, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param);
    // The snap-in's help file (ISnapinHelp), empty when it has none.
    std::wstring HelpFile();
    // Waits, pumping messages, until the snap-in's library says that it can be unloaded (work of its own,
    // such as a wizard's worker, may outlive its objects); `waiting` is called once if it has to wait.
    void WaitUntilUnloadable(const std::function<void()>& waiting);

private:
    CConsole& m_console;
    CLSID m_clsid;
    std::wstring m_registeredName;
    tvcom::ComPtr<IComponentData> m_componentData;
    tvcom::ComPtr<CConsoleObject> m_consoleObject;
    tvcom::ComPtr<CImageList> m_scopeImages;
    HSCOPEITEM m_staticNode = 0;
};

// What the error code means, for messages: the system's text, else the number.
std::wstring DescribeError(HRESULT hr);
// The UTF-16 text a data object renders in the named clipboard format (CCF_DISPLAY_NAME ...).
HRESULT ReadDataObjectText(IDataObject* data, const wchar_t* format, std::wstring* text);

} // namespace Console
