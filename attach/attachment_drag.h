// The OLE objects of the pane's exchange with the shell: the drop targets
// (the pane takes a dropped file, the attachments list takes nothing) and
// the data object an attachment drag offers, a linked file as CF_HDROP or
// stored attachments as virtual files ("FileGroupDescriptor" and
// "FileContents") whose bytes are produced only when the receiver asks.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

#include "attach/shell_transfer.h"
#include "fw/ole.h"

// Takes files dropped from the shell: while `accepting` says yes, a drag
// offering CF_HDROP may drop (as a copy: the user's file stays where it
// is), and the first of its paths goes to `dropped`.
class FileDropTarget : public ComObject<IDropTarget> {
public:
    FileDropTarget(std::function<bool()> accepting, std::function<void(const std::string&)> dropped)
        : accepting_(std::move(accepting)), dropped_(std::move(dropped)) {}

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

private:
    DWORD effectFor(DWORD allowed) const;
    std::function<bool()> accepting_;
    std::function<void(const std::string&)> dropped_;
    bool offered_ = false;  // the drag over us offers files
};

// A drop target that accepts nothing: the no-drop cursor shows over it.
class RefusingDropTarget : public ComObject<IDropTarget> {
public:
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
};

// The first path of a CF_HDROP block (wide or ANSI names), in the local
// code page; "" when there is none or it does not fit in MAX_PATH.
std::string firstDroppedPath(HDROP drop);

// The data of one drag of attachments out of the list.
class AttachmentDataObject : public ReadOnlyDataObject {
public:
    // Produces the bytes of descriptor `index` into the sink; false when it
    // could not (after saying why, where there is something to say).
    using Renderer = std::function<bool(int index, const attach::RenderSink& sink)>;
    struct File {
        std::string name;  // as the receiver is to name it
        int size;          // -1 when unknown
    };

    // A linked file, offered as itself.
    static AttachmentDataObject* forLinkedFile(const std::string& path);
    // Stored attachments, offered as files the receiver asks for one by one.
    static AttachmentDataObject* forVirtualFiles(const std::vector<File>& files, Renderer render);

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;

private:
    AttachmentDataObject() = default;
    ~AttachmentDataObject() override;
    // The format offered at `slot`: 0 the drop list or the descriptors,
    // 1 the contents.
    FORMATETC offered(std::size_t slot) const;
    std::size_t formatCount() const { return render_ ? 2 : 1; }

    UINT descriptorFormat_ = 0;
    UINT contentsFormat_ = 0;
    HGLOBAL block_ = nullptr;  // the drop list or the descriptors, copied for each request
    int files_ = 0;
    Renderer render_;
};
