#include "tree/item_view.h"

bool CItemView::onCreate() { return createTabs(kTabControlId, 0, {"导航"}); }
