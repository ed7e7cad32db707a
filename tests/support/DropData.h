#pragma once

// A data object as the shell hands one to a drop target: one CF_HDROP block,
// or only text. Shared by the drop target's tests and the main window's.

#include <windows.h>

#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

// Counts how often the target gives a medium back.
struct ReleaseCounter : IUnknown {
    int releases = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return ++releases, 1; }
};

// Serves one block as CF_HDROP, or refuses the format (text only).
struct FileDropData : IDataObject {
    std::vector<unsigned char> block;
    bool hasFiles = true;
    DWORD tymed = TYMED_HGLOBAL;
    ReleaseCounter counter;
    std::vector<HGLOBAL> handed;

    ~FileDropData()
    {
        for (HGLOBAL h : handed)
            GlobalFree(h);
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!hasFiles || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL))
            return DV_E_FORMATETC;
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, block.size());
        memcpy(GlobalLock(h), block.data(), block.size());
        GlobalUnlock(h);
        handed.push_back(h);
        medium->tymed = tymed;
        medium->hGlobal = h;
        medium->pUnkForRelease = &counter;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
};

inline std::vector<unsigned char> Header(bool wide, DWORD offset = sizeof(DROPFILES))
{
    DROPFILES header = {};
    header.pFiles = offset;
    header.fWide = wide;
    std::vector<unsigned char> bytes(sizeof(header));
    memcpy(bytes.data(), &header, sizeof(header));
    return bytes;
}

inline std::vector<unsigned char> WideBlock(const std::vector<std::wstring>& names)
{
    auto bytes = Header(true);
    for (auto& n : names) {
        const auto* p = reinterpret_cast<const unsigned char*>(n.c_str());
        bytes.insert(bytes.end(), p, p + (n.size() + 1) * 2);
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

