// A stored 5 MB attachment dragged out of the pane, measured under Wine
// (scripts/bench-wine) and printed, not checked: the time from the
// receiver's request for "FileContents" to its last byte, against reading
// the same row and decoding it alone.  The rendering should add only the
// copy into the medium.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "attach/attachment_drag.h"
#include "attach/pane_store.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/statements.h"

namespace {

double now() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return double(count.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

double median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 15;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "jexdragbench.db";
    DeleteFileA(path.c_str());
    store::DbConnection db;
    store::openSnippetDatabase(db, path.c_str(), false);
    store::DbSqlBuffer b;
    db.execute(b.format(store::sql::kInsertNode, 1, 2, 1, -1, "a.cpp"));
    attach::PaneStore pane(db);
    std::vector<unsigned char> bytes(5 * 1048576);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 131 + i / 4093);
    std::atomic<bool> cancel{false};
    int id = pane.store(int(db.lastInsertId()), "five.bin", bytes, cancel)->id;

    std::vector<double> alone, rendered;
    for (int i = 0; i < runs; ++i) {
        double start = now();
        attach::AttachmentContent content = pane.content(id);
        alone.push_back(now() - start);
        if (content.data != bytes) return 1;

        AttachmentDataObject* data = AttachmentDataObject::forVirtualFiles(
            {{"five.bin", int(bytes.size())}},
            [&](int, const attach::RenderSink& sink) { return attach::renderAttachment(pane, id, sink).ok; });
        FORMATETC format = {CLIPFORMAT(RegisterClipboardFormatA(CFSTR_FILECONTENTS)), nullptr, DVASPECT_CONTENT, 0,
                            TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        start = now();
        HRESULT result = data->GetData(&format, &medium);
        const void* first = result == S_OK ? GlobalLock(medium.hGlobal) : nullptr;
        rendered.push_back(now() - start);
        bool same = first && GlobalSize(medium.hGlobal) == bytes.size() &&
                    std::equal(bytes.begin(), bytes.end(), static_cast<const unsigned char*>(first));
        if (first) GlobalUnlock(medium.hGlobal);
        if (result == S_OK) ReleaseStgMedium(&medium);
        data->Release();
        if (!same) return 1;
    }
    db.close();
    DeleteFileA(path.c_str());
    std::printf("5 MB stored attachment: read and decoded alone %.1f ms, rendered as FileContents %.1f ms "
                "(ratio %.2f), medians of %d runs\n",
                median(alone), median(rendered), median(rendered) / median(alone), runs);
    return 0;
}
