// The snap-in itself: the component data that creates the root node and names the help file.
#pragma once

#include <string>

#include "../snapins/componentdata.h"

namespace MSDE {

namespace Nodes {
class CKorvath;
}

class CMyBase : public Snapins::CComponentDataBase {
public:
    CMyBase();
    ~CMyBase() override;

private:
    Nodes::CKorvath* m_root = nullptr;
    std::wstring m_helpFile;
};

} // namespace MSDE
