// CMyBase: creating the snap-in creates and initialises the root, which loads the satellite
// resources and the remembered paths; the root goes, and the whole tree with it, when the snap-in goes.
#include "msde/mybase.h"

#include <new>

#include "msde/nodes/korvath.h"
#include "snapins/classfactory.h"

// The snap-in that the class factory makes.
tvcom::ComPtr<IComponentData> Snapins::CreateSnapin() {
    return tvcom::ComPtr<IComponentData>::Adopt(new (std::nothrow) MSDE::CMyBase());
}

namespace MSDE {

CMyBase::CMyBase() {
    auto* root = new Nodes::CKorvath();
    m_root = root;
    root->Initialize(); // the root reports its own troubles; the snap-in starts regardless
    m_helpFile = L"tavrosk.chm";
}

CMyBase::~CMyBase() {
    delete m_root;
    m_root = nullptr;
}

} // namespace MSDE
