// CKorvath, the root node.
#include "korvath.h"

#include "../../snapins/module.h"
#include "../../snapins/satellite.h"
#include "../rememberedpaths.h"

namespace MSDE::Nodes {

CKorvath::~CKorvath() {
    SaveRememberedPaths();
}

HRESULT CKorvath::Initialize() {
    Snapins::CSnapinModule& module = Snapins::SnapinModule();
    if (HMODULE satellite = Snapins::LoadSatelliteLibrary(module.resourceModule, L"tavroskres.dll"))
        module.resourceModule = satellite; // kept for the life of the process
    LoadRememberedPaths();
    return S_OK;
}

} // namespace MSDE::Nodes
