// Failures of the object model and of the engine turned into HRESULTs and error objects, the out
// parameters every property getter fills, and the small conversions the classes share.
#include <cwctype>
#include <new>

#include "object.h"

namespace sqldmo {

namespace {

const wchar_t kOwnSource[] = L"[Tavrosk][Object Model]";
const wchar_t kEngineSource[] = L"[Tavrosk][Engine]";

// Server errors keep their number in the low word so that a caller can tell them apart.
HRESULT EngineHresult(int number) {
    return HRESULT(0x80040000u | (unsigned(number) & 0xFFFFu));
}

} // namespace

void Fail(const std::wstring& text, HRESULT hr) {
    throw Failure{hr, text};
}

void FailArgument(const wchar_t* what) {
    Fail(std::wstring(L"The argument '") + what + L"' is missing or not valid.", E_INVALIDARG);
}

HRESULT Report(REFIID iid, HRESULT hr, const std::wstring& description) {
    tvcom::ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Receive()))) {
        create->SetGUID(iid);
        create->SetSource(const_cast<LPOLESTR>(L"Tavrosk.ObjectModel"));
        create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
        if (auto info = create.As<IErrorInfo>()) SetErrorInfo(0, info.Get());
    }
    return hr;
}

HRESULT Translate(REFIID iid) {
    try {
        throw;
    } catch (const tvengine::Error& error) {
        return Report(iid, EngineHresult(error.Number()), kEngineSource + Wide(error.Message()));
    } catch (const Failure& failure) {
        return Report(iid, failure.hr, kOwnSource + failure.text);
    } catch (const std::bad_alloc&) {
        return Report(iid, E_OUTOFMEMORY,
                      std::wstring(kOwnSource) + L"Not enough memory to complete the call.");
    } catch (const std::exception& error) {
        return Report(iid, E_FAIL, kOwnSource + Wide(error.what()));
    } catch (...) {
        return Report(iid, E_UNEXPECTED,
                      std::wstring(kOwnSource) + L"The call failed for an unknown reason.");
    }
}

void Out(BSTR* target, const std::wstring& value) {
    if (!target) FailArgument(L"result pointer");
    *target = SysAllocStringLen(value.data(), UINT(value.size()));
    if (!*target) throw std::bad_alloc();
}

void Out(LPLONG target, long value) {
    if (!target) FailArgument(L"result pointer");
    *target = LONG(value);
}

void Out(float* target, double value) {
    if (!target) FailArgument(L"result pointer");
    *target = float(value);
}

void Out(double* target, double value) {
    if (!target) FailArgument(L"result pointer");
    *target = value;
}

void Out(VARIANT_BOOL* target, bool value) {
    if (!target) FailArgument(L"result pointer");
    *target = value ? VARIANT_TRUE : VARIANT_FALSE;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

std::wstring DateText(std::time_t when) {
    if (when == 0) return {};
    std::tm local{};
    localtime_r(&when, &local);
    wchar_t text[32];
    std::wcsftime(text, 32, L"%Y-%m-%d %H:%M:%S", &local);
    return text;
}

tvengine::Session& Connection::Live() {
    if (!session) Fail(L"The object is not connected to a server.", E_UNEXPECTED);
    return *session;
}

} // namespace sqldmo
