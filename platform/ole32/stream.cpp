// Streams on global memory, and the release of storage media. A data object renders a clipboard format
// by writing into a stream over the block its caller supplies: the stream reads and writes the block
// itself, grows it when a write runs past its end, and leaves it to the caller unless asked to free it.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "objidl.h"
#include "tvcom.h"

namespace {

// Answered only by the streams made here, so that GetHGlobalFromStream can tell them from others.
DEFINE_GUID(IID_HGlobalStreamSelf, 0x7D3C1E52, 0x9A40, 0x4B8F, 0xA1, 0x6E, 0x2C, 0x55, 0x90, 0x4D, 0x13,
            0xB7);

// The block under a stream and its clones; freed with the last of them when the creator asked for it.
struct SharedBlock {
    SharedBlock(HGLOBAL block, bool freeAtEnd) : handle(block), deleteOnRelease(freeAtEnd) {}
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;
    HGLOBAL handle;
    bool deleteOnRelease;
    ~SharedBlock() {
        if (deleteOnRelease) GlobalFree(handle);
    }
};

class CHGlobalStream final : public tvcom::Object<IStream> {
public:
    explicit CHGlobalStream(std::shared_ptr<SharedBlock> block, ULONGLONG position = 0)
        : m_block(std::move(block)), m_position(position) {}

    HGLOBAL Handle() const { return m_block->handle; }

    STDMETHODIMP Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        if (pcbRead) *pcbRead = 0;
        if (!pv) return STG_E_INVALIDPOINTER;
        SIZE_T size = GlobalSize(Handle());
        ULONG count = m_position >= size ? 0 : static_cast<ULONG>(std::min<ULONGLONG>(cb, size - m_position));
        if (count > 0) {
            auto* data = static_cast<BYTE*>(GlobalLock(Handle()));
            if (!data) return E_HANDLE;
            std::memcpy(pv, data + m_position, count);
            GlobalUnlock(Handle());
            m_position += count;
        }
        if (pcbRead) *pcbRead = count;
        return S_OK;
    }

    STDMETHODIMP Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
        if (pcbWritten) *pcbWritten = 0;
        if (!pv) return STG_E_INVALIDPOINTER;
        if (cb == 0) return S_OK;
        ULONGLONG end = m_position + cb;
        if (end > GlobalSize(Handle())) {
            HRESULT hr = Resize(end);
            if (FAILED(hr)) return hr;
        }
        auto* data = static_cast<BYTE*>(GlobalLock(Handle()));
        if (!data) return E_HANDLE;
        std::memcpy(data + m_position, pv, cb);
        GlobalUnlock(Handle());
        m_position = end;
        if (pcbWritten) *pcbWritten = cb;
        return S_OK;
    }

    STDMETHODIMP Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override {
        LONGLONG base;
        switch (dwOrigin) {
        case STREAM_SEEK_SET:
            base = 0;
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<LONGLONG>(m_position);
            break;
        case STREAM_SEEK_END:
            base = static_cast<LONGLONG>(GlobalSize(Handle()));
            break;
        default:
            return STG_E_INVALIDFUNCTION;
        }
        LONGLONG target = base + dlibMove.QuadPart;
        if (target < 0) return STG_E_INVALIDFUNCTION;
        m_position = static_cast<ULONGLONG>(target);
        if (plibNewPosition) plibNewPosition->QuadPart = m_position;
        return S_OK;
    }

    STDMETHODIMP SetSize(ULARGE_INTEGER libNewSize) override { return Resize(libNewSize.QuadPart); }

    STDMETHODIMP CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                        ULARGE_INTEGER* pcbWritten) override {
        if (!pstm) return STG_E_INVALIDPOINTER;
        SIZE_T size = GlobalSize(Handle());
        ULONGLONG count = m_position >= size ? 0 : std::min<ULONGLONG>(cb.QuadPart, size - m_position);
        if (count > 0xFFFFFFFFull) count = 0xFFFFFFFFull;
        ULONG written = 0;
        HRESULT hr = S_OK;
        if (count > 0) {
            auto* data = static_cast<BYTE*>(GlobalLock(Handle()));
            if (!data) return E_HANDLE;
            // The target may be this very stream; copy out first so its growth cannot move the source.
            std::unique_ptr<BYTE[]> copy(new BYTE[count]);
            std::memcpy(copy.get(), data + m_position, count);
            GlobalUnlock(Handle());
            m_position += count;
            hr = pstm->Write(copy.get(), static_cast<ULONG>(count), &written);
        }
        if (pcbRead) pcbRead->QuadPart = count;
        if (pcbWritten) pcbWritten->QuadPart = written;
        return hr;
    }

    STDMETHODIMP Commit(DWORD) override { return S_OK; }
    STDMETHODIMP Revert() override { return S_OK; }
    STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }

    STDMETHODIMP Stat(STATSTG* pstatstg, DWORD) override {
        if (!pstatstg) return STG_E_INVALIDPOINTER;
        *pstatstg = STATSTG{};
        pstatstg->type = STGTY_STREAM;
        pstatstg->cbSize.QuadPart = GlobalSize(Handle());
        return S_OK;
    }

    STDMETHODIMP Clone(IStream** ppstm) override {
        if (!ppstm) return STG_E_INVALIDPOINTER;
        *ppstm = new (std::nothrow) CHGlobalStream(m_block, m_position); // the creator's reference
        return *ppstm ? S_OK : E_OUTOFMEMORY;
    }

protected:
    void* Find(REFIID riid) override {
        return IsEqualIID(riid, IID_HGlobalStreamSelf) ? static_cast<IStream*>(this) : Object::Find(riid);
    }

private:
    // The block grows in place under its handle; a block that cannot (a fixed one) is full.
    HRESULT Resize(ULONGLONG size) {
        if (size > 0xFFFFFFFFull) return STG_E_MEDIUMFULL;
        if (!GlobalReAlloc(Handle(), static_cast<SIZE_T>(size), 0)) return STG_E_MEDIUMFULL;
        return S_OK;
    }

    std::shared_ptr<SharedBlock> m_block;
    ULONGLONG m_position;
};

} // namespace

extern "C" HRESULT WINAPI CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm) {
    if (!ppstm) return E_INVALIDARG;
    *ppstm = nullptr;
    if (!hGlobal) {
        hGlobal = GlobalAlloc(GMEM_MOVEABLE, 0);
        if (!hGlobal) return E_OUTOFMEMORY;
    } else {
        SetLastError(NO_ERROR);
        if (GlobalSize(hGlobal) == 0 && GetLastError() == ERROR_INVALID_HANDLE) return E_INVALIDARG;
    }
    std::shared_ptr<SharedBlock> block;
    CHGlobalStream* stream = nullptr;
    try {
        block = std::make_shared<SharedBlock>(hGlobal, fDeleteOnRelease != FALSE);
        stream = new CHGlobalStream(block);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    *ppstm = stream; // the creator's reference
    return S_OK;
}

extern "C" HRESULT WINAPI GetHGlobalFromStream(LPSTREAM pstm, HGLOBAL* phglobal) {
    if (!pstm || !phglobal) return E_INVALIDARG;
    *phglobal = nullptr;
    auto self = tvcom::QueryFrom<IStream>(pstm, IID_HGlobalStreamSelf);
    if (!self) return E_INVALIDARG;
    *phglobal = static_cast<CHGlobalStream*>(self.Get())->Handle();
    return S_OK;
}

extern "C" void WINAPI ReleaseStgMedium(LPSTGMEDIUM pmedium) {
    if (!pmedium) return;
    // With an owner, the owner frees the content; otherwise the medium's type says how.
    if (pmedium->pUnkForRelease) {
        if (pmedium->tymed == TYMED_ISTREAM && pmedium->pstm) pmedium->pstm->Release();
        pmedium->pUnkForRelease->Release();
        return;
    }
    switch (pmedium->tymed) {
    case TYMED_HGLOBAL:
        if (pmedium->hGlobal) GlobalFree(pmedium->hGlobal);
        break;
    case TYMED_ISTREAM:
        if (pmedium->pstm) pmedium->pstm->Release();
        break;
    case TYMED_FILE:
        CoTaskMemFree(pmedium->lpszFileName);
        break;
    default:
        break;
    }
}
