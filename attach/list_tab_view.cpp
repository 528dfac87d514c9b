#include "attach/list_tab_view.h"

#include <commctrl.h>

bool CListTabView::onCreate() { return createTabs(kTabControlId, TCS_BOTTOM, {"备注", "附件", "搜索结果"}); }
