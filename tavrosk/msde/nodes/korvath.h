// The root of the snap-in's tree, the console's static node: it shows the snap-in's name, brings the
// satellite resources and the remembered paths in when the snap-in starts, holds the object model's
// Application through which the server groups are read, lists those groups as its children, and saves
// the remembered paths when it closes.
#pragma once

#include "snapins/basenode.h"
#include "msde/dmo.h"

namespace MSDE::Nodes {

class CKorvath : public Snapins::CBaseNode {
public:
    CKorvath();
    ~CKorvath() override;

    // The first call loads the satellite resources and the remembered paths; every call creates the
    // Application when there is none yet. S_OK whatever happened.
    HRESULT Initialize() override;
    // Forgets the child; a server group leaves the registration store too.
    void RemoveChild(IConsole* console, Snapins::CBaseNode* child) override;
    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    HRESULT GetResultViewType(LPOLESTR* viewType, long* viewOptions) override;
    HRESULT OnShow(IConsole* console, BOOL selecting, HSCOPEITEM item) override;
    HRESULT CreateChildren(IConsole* console) override;

    // The Application of the object model; empty when it could not be created.
    const ApplicationPtr& Application() const { return m_application; }

private:
    ApplicationPtr m_application;
    bool m_started = false; // the start-up work of the first Initialize is done
    bool m_groupsListed = false; // the groups were listed once: an empty store later is the user's doing
};

} // namespace MSDE::Nodes
