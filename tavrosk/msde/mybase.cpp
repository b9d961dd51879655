// CMyBase: creating the snap-in creates and initialises the root, which loads the satellite
// resources and the remembered paths.
#include "mybase.h"

#include "nodes/korvath.h"

namespace MSDE {

CMyBase::CMyBase() {
    m_root = new Nodes::CKorvath();
    m_root->Initialize(); // the root reports its own troubles; the snap-in starts regardless
    m_helpFile = L"tavrosk.chm";
}

CMyBase::~CMyBase() {
    delete m_root;
}

} // namespace MSDE
