// GDI+'s C++ headers, which need the COM basics and min and max in scope,
// and the file names GDI+ takes: UTF-16, from the system code page.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <string>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

namespace skin {

inline std::wstring gdiplusPath(const std::string& path) {
    int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring out(std::size_t(n > 0 ? n : 1), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &out[0], n);
    out.resize(out.size() - 1);
    return out;
}

}  // namespace skin
