#pragma once
#include "tests/harness/private_tree.h"

namespace brevolt::test {

// The private folders of this test process; HOME and XDG_* point into them.
PrivateTree& Tree();

}  // namespace brevolt::test
