// CKorvath, the root node.
#include "korvath.h"

#include "../../resources/resource.h"
#include "../../snapins/module.h"
#include "../../snapins/resstring.h"
#include "../../snapins/satellite.h"
#include "../rememberedpaths.h"

namespace MSDE::Nodes {

namespace {
// {503E6A19-4630-46E3-81EE-110693CFC83E}
DEFINE_GUID(NODETYPE_Korvath, 0x503E6A19, 0x4630, 0x46E3, 0x81, 0xEE, 0x11, 0x06, 0x93, 0xCF, 0xC8, 0x3E);
} // namespace

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

const std::wstring CKorvath::GetDisplayText(int column) {
    return column == 0 ? Snapins::LoadResString(IDS_SNAPIN_NAME) : std::wstring();
}

const GUID* CKorvath::GetNodeType() {
    return &NODETYPE_Korvath;
}

} // namespace MSDE::Nodes
