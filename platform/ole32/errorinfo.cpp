// Error information: the error object that CreateErrorInfo makes and a failing object fills in, and
// the slot of each thread that SetErrorInfo fills and GetErrorInfo empties. The slot is per thread so
// that a wizard's worker and the console's thread never read each other's failures.
#include <atomic>
#include <new>
#include <string>

#include "oaidl.h"

namespace {

class ErrorObject final : public IErrorInfo, public ICreateErrorInfo {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IErrorInfo)
            *ppv = static_cast<IErrorInfo*>(this);
        else if (riid == IID_ICreateErrorInfo)
            *ppv = static_cast<ICreateErrorInfo*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    STDMETHODIMP GetGUID(GUID* pGUID) override {
        if (!pGUID) return E_INVALIDARG;
        *pGUID = guid_;
        return S_OK;
    }
    STDMETHODIMP GetSource(BSTR* out) override { return Copy(source_, out); }
    STDMETHODIMP GetDescription(BSTR* out) override { return Copy(description_, out); }
    STDMETHODIMP GetHelpFile(BSTR* out) override { return Copy(helpFile_, out); }
    STDMETHODIMP GetHelpContext(DWORD* out) override {
        if (!out) return E_INVALIDARG;
        *out = helpContext_;
        return S_OK;
    }

    STDMETHODIMP SetGUID(REFGUID rguid) override {
        guid_ = rguid;
        return S_OK;
    }
    STDMETHODIMP SetSource(LPOLESTR text) override { return Store(source_, text); }
    STDMETHODIMP SetDescription(LPOLESTR text) override { return Store(description_, text); }
    STDMETHODIMP SetHelpFile(LPOLESTR text) override { return Store(helpFile_, text); }
    STDMETHODIMP SetHelpContext(DWORD context) override {
        helpContext_ = context;
        return S_OK;
    }

private:
    static HRESULT Copy(const std::wstring& text, BSTR* out) {
        if (!out) return E_INVALIDARG;
        *out = SysAllocStringLen(text.data(), UINT(text.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    static HRESULT Store(std::wstring& field, LPCOLESTR text) {
        field = text ? text : L"";
        return S_OK;
    }

    std::atomic<ULONG> refs_{1};
    GUID guid_ = GUID_NULL;
    std::wstring source_, description_, helpFile_;
    DWORD helpContext_ = 0;
};

// Releases what a thread left in its slot when the thread ends.
struct Slot {
    IErrorInfo* info = nullptr;
    ~Slot() {
        if (info) info->Release();
    }
};
thread_local Slot t_slot;

} // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo) {
    if (!pperrinfo) return E_INVALIDARG;
    *pperrinfo = new (std::nothrow) ErrorObject;
    return *pperrinfo ? S_OK : E_OUTOFMEMORY;
}

HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo) {
    if (dwReserved != 0) return E_INVALIDARG;
    if (perrinfo) perrinfo->AddRef();
    IErrorInfo* previous = t_slot.info;
    t_slot.info = perrinfo;
    if (previous) previous->Release();
    return S_OK;
}

HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo) {
    if (!pperrinfo || dwReserved != 0) return E_INVALIDARG;
    *pperrinfo = t_slot.info;
    t_slot.info = nullptr;
    return *pperrinfo ? S_OK : S_FALSE;
}
