// The root of the snap-in's tree, the console's static node: it shows the snap-in's name, brings the
// satellite resources and the remembered paths in when the snap-in starts, and saves the paths when it
// closes.
#pragma once

#include "../../snapins/basenode.h"

namespace MSDE::Nodes {

class CKorvath : public Snapins::CBaseNode {
public:
    CKorvath() = default;
    ~CKorvath() override;

    // Loads the satellite resources and the remembered paths; S_OK whatever happened.
    HRESULT Initialize() override;
    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
};

} // namespace MSDE::Nodes
