// The snap-in itself: the component data that creates the root node and names the help file.
#pragma once

#include "snapins/componentdata.h"

namespace MSDE {

class CMyBase : public Snapins::CComponentDataBase {
public:
    CMyBase();
    ~CMyBase() override;
};

} // namespace MSDE
