// CSecurity: a folder whose one child is the Logins container.
#include "msde/nodes/security.h"

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/nodes/logins.h"

namespace MSDE::Nodes {

namespace {
// {1BBC30D1-2236-4F05-8C0B-00DF3D05E720}
DEFINE_GUID(NODETYPE_Security, 0x1BBC30D1, 0x2236, 0x4F05, 0x8C, 0x0B, 0x00, 0xDF, 0x3D, 0x05, 0xE7, 0x20);
} // namespace

CSecurity::CSecurity() {
    m_imageIndex = 3;
    m_openImageIndex = 4;
}

const std::wstring CSecurity::GetDisplayText(int) {
    return Snapins::LoadResString(IDS_SECURITY);
}

const GUID* CSecurity::GetNodeType() {
    return &NODETYPE_Security;
}

HRESULT CSecurity::CreateChildren(IConsole*) {
    if (m_children.empty()) AddChild(new CLogins(), true);
    return S_OK;
}

} // namespace MSDE::Nodes
