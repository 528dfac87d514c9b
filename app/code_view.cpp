#include "app/code_view.h"

bool CCodeView::onCreate() { return createTabs(kTabControlId, 0, {"欢迎！"}); }
