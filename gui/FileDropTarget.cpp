#include "gui/FileDropTarget.h"

#include "base/Error.h"
#include "gui/GuiBase.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

FileDropTarget::FileDropTarget(GuiBase* ownerObject, uint32_t command)
    : dragOver(0), references(0), owner(ownerObject), commandId(command)
{
    files.Reset();
}

FileDropTarget::~FileDropTarget() = default;

HRESULT STDMETHODCALLTYPE FileDropTarget::QueryInterface(REFIID iid, void** out)
{
    if (out == nullptr)
        return E_INVALIDARG;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
        AddRef();
        *out = static_cast<IDropTarget*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE FileDropTarget::AddRef()
{
    return ++references;
}

ULONG STDMETHODCALLTYPE FileDropTarget::Release()
{
    ULONG left = --references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE FileDropTarget::DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect)
{
    if (effect)
        *effect = DROPEFFECT_COPY;
    dragOver = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FileDropTarget::DragOver(DWORD, POINTL, DWORD* effect)
{
    if (effect)
        *effect = DROPEFFECT_COPY;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FileDropTarget::DragLeave()
{
    dragOver = 0;
    return S_OK;
}

bool IsWellFormedDropBlock(const void* block, size_t size)
{
    if (block == nullptr || size < sizeof(DROPFILES))
        return false;
    DROPFILES header;
    memcpy(&header, block, sizeof(header));
    if (header.pFiles < sizeof(DROPFILES) || header.pFiles >= size)
        return false;
    const auto* bytes = static_cast<const unsigned char*>(block);
    size_t unit = header.fWide ? 2 : 1;
    // Looks for the empty name that ends the list: a zero unit at the start
    // or right after another zero unit.
    bool atNameStart = true;
    for (size_t at = header.pFiles; at + unit <= size; at += unit) {
        bool zero = bytes[at] == 0 && (unit == 1 || bytes[at + 1] == 0);
        if (zero && atNameStart)
            return true;
        atNameStart = zero;
    }
    return false;
}

namespace {

// Reads the names of a block already checked; a name whose length changes
// between the two calls is left out.
Array<String> ReadDroppedNames(HDROP drop)
{
    Array<String> names;
    names.Reset();
    UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < n; i++) {
        UINT length = DragQueryFileW(drop, i, nullptr, 0);
        String name;
        wchar_t* text = name.Allocate(length);
        UINT room = static_cast<UINT>(AsInt(static_cast<long long>(length) + 1));
        if (DragQueryFileW(drop, i, text, room) == length)
            names.Insert(names.Count(), name);
    }
    return names;
}

bool IsCheckedDrop(HGLOBAL global)
{
    size_t size = GlobalSize(global);
    const void* block = GlobalLock(global);
    bool ok = IsWellFormedDropBlock(block, size);
    if (block)
        GlobalUnlock(global);
    return ok;
}

}  // namespace

Array<String> ReadDropBlock(HGLOBAL block)
{
    // The block may come from another program: only a well-formed one
    // reaches DragQueryFileW, which trusts its offsets.
    if (block == nullptr || !IsCheckedDrop(block)) {
        Array<String> none;
        none.Reset();
        return none;
    }
    return ReadDroppedNames(static_cast<HDROP>(block));
}

HRESULT STDMETHODCALLTYPE FileDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect)
{
    dragOver = 0;
    if (effect)
        *effect = DROPEFFECT_COPY;
    if (data == nullptr)
        return E_INVALIDARG;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    HRESULT hr = data->GetData(&format, &medium);
    if (FAILED(hr))
        return hr;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        try {
            // A malformed block reads as no names: the drop is ignored.
            Array<String> names = ReadDropBlock(medium.hGlobal);
            if (names.Count() > 0) {
                files = names;
                try {
                    if (owner)
                        owner->PostCommand(static_cast<int>(commandId), 0);
                } catch (const Error&) {
                }
            }
        } catch (...) {
            // Out of memory or a name too long: the drop is ignored.
        }
    }
    ReleaseStgMedium(&medium);
    return hr;
}
