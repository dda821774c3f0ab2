#include "foundation/asset.h"

// TAsset is header-only apart from its vtable anchor.
