#pragma once

// Lets a window accept files dragged from the shell: always offers to copy,
// keeps the full paths of the last drop and posts a command to its owner,
// which reads the list when the command arrives. No program logic runs
// inside the OLE call.

#include "base/Array.h"
#include "base/String.h"

#include <windows.h>

#include <ole2.h>

#include <cstdint>

class GuiBase;

class FileDropTarget : public IDropTarget {
public:
    // The creator takes the first reference and registers the target with
    // RegisterDragDrop; before the window goes it calls RevokeDragDrop and
    // drops its reference.
    FileDropTarget(GuiBase* owner, uint32_t commandId);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point,
                                   DWORD* effect) override;

    virtual ~FileDropTarget();

    // The paths of the last drop in the shell's order; shared with readers.
    Array<String> files;
    uint8_t dragOver;
    uint32_t references;
    GuiBase* owner;
    uint32_t commandId;
};

// True when a CF_HDROP block of size bytes holds its header and a name list
// (wide or ANSI, as the header says) ended by an empty name inside it.
bool IsWellFormedDropBlock(const void* block, size_t size);
// The file names of a CF_HDROP block in its order; none for a block that is
// not well formed. Throws MemoryError.
Array<String> ReadDropBlock(HGLOBAL block);
