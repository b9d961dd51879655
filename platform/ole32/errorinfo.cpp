// Error information: the error object that CreateErrorInfo makes and a failing object fills in, and
// the slot of each thread that SetErrorInfo fills and GetErrorInfo empties. The slot is per thread so
// that a wizard's worker and the console's thread never read each other's failures.
#include <new>
#include <string>

#include "oaidl.h"
#include "tvcom.h"

namespace {

class ErrorObject final : public tvcom::Object<IErrorInfo, ICreateErrorInfo> {
public:
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

    GUID guid_ = GUID_NULL;
    std::wstring source_, description_, helpFile_;
    DWORD helpContext_ = 0;
};

// What a thread left in its slot goes when the thread ends.
thread_local tvcom::ComPtr<IErrorInfo> t_slot;

} // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo) {
    if (!pperrinfo) return E_INVALIDARG;
    *pperrinfo = new (std::nothrow) ErrorObject; // the creator's reference
    return *pperrinfo ? S_OK : E_OUTOFMEMORY;
}

HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo) {
    if (dwReserved != 0) return E_INVALIDARG;
    t_slot = tvcom::ComPtr<IErrorInfo>::Retain(perrinfo);
    return S_OK;
}

HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo) {
    if (!pperrinfo || dwReserved != 0) return E_INVALIDARG;
    *pperrinfo = t_slot.Detach();
    return *pperrinfo ? S_OK : S_FALSE;
}
