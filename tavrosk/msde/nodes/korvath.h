// The root of the snap-in's tree: it brings the satellite resources and the remembered paths in when
// the snap-in starts, and saves the paths when it closes.
#pragma once

#include "windows.h"

namespace MSDE::Nodes {

class CKorvath {
public:
    CKorvath() = default;
    virtual ~CKorvath();

    // Loads the satellite resources and the remembered paths; S_OK whatever happened.
    virtual HRESULT Initialize();
};

} // namespace MSDE::Nodes
