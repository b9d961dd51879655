// dmo_error's shared description and the two reports of a caught failure. The description is taken
// from the thread's error object right after the failed call, since the next failing call on the same
// thread replaces it.
#include "msde/dmo.h"

#include <cwchar>

#include "tvcom.h"
#include "tvplatform.h"

namespace MSDE {

namespace detail {

DmoMessage* TakeDescription(REFIID iid, IUnknown* object) {
    auto support = tvcom::QueryFrom<ISupportErrorInfo>(object, IID_ISupportErrorInfo);
    if (!support || support->InterfaceSupportsErrorInfo(iid) != S_OK) return nullptr;
    tvcom::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Receive()) != S_OK || !info) return nullptr;
    BSTR description = nullptr;
    if (FAILED(info->GetDescription(&description))) return nullptr;
    auto* message = new DmoMessage;
    if (description) message->wide.assign(description, SysStringLen(description));
    SysFreeString(description);
    return message;
}

const char* Narrow(DmoMessage& message) {
    if (!message.narrowMade) {
        int bytes = WideCharToMultiByte(CP_ACP, 0, message.wide.c_str(), int(message.wide.size()), nullptr, 0,
                                        nullptr, nullptr);
        message.narrow.assign(size_t(bytes > 0 ? bytes : 0), '\0');
        if (bytes > 0)
            WideCharToMultiByte(CP_ACP, 0, message.wide.c_str(), int(message.wide.size()),
                                message.narrow.data(), bytes, nullptr, nullptr);
        message.narrowMade = true;
    }
    return message.narrow.c_str();
}

void Release(DmoMessage* message) {
    if (message && --message->references == 0) delete message;
}

} // namespace detail

DmoFailure::DmoFailure(HRESULT result, detail::DmoMessage* message) : m_result(result), m_message(message) {}

DmoFailure::DmoFailure(HRESULT result, const std::wstring& description)
    : m_result(result), m_message(new detail::DmoMessage) {
    m_message->wide = description;
}

DmoFailure::DmoFailure(const DmoFailure& other)
    : std::exception(other), m_result(other.m_result), m_message(other.m_message) {
    if (m_message) ++m_message->references;
}

DmoFailure::~DmoFailure() {
    detail::Release(m_message);
}

const char* DmoFailure::what() const noexcept {
    return m_message ? detail::Narrow(*m_message) : "";
}

detail::DmoMessage* DmoFailure::Describe(REFIID iid, IUnknown* object) {
    try {
        return detail::TakeDescription(iid, object);
    } catch (...) {
        OutputDebugStringA("Error constructing dmo_error exception\n");
        return nullptr;
    }
}

void ThrowNotCreated(const wchar_t* what, HRESULT hr) {
    WCHAR code[16];
    swprintf(code, 16, L"0x%08X", static_cast<unsigned>(hr));
    throw DmoFailure(hr, std::wstring(L"The ") + what + L" object could not be created (" + code + L").");
}

std::string ErrorCaption(const std::string& text) {
    size_t lineEnd = text.find_first_of("\r\n");
    std::string firstLine = text.substr(0, lineEnd);
    size_t bracket = firstLine.size() > 1 ? firstLine.rfind(']') : std::string::npos;
    if (bracket == std::string::npos || bracket < 1) return {};
    return firstLine.substr(0, bracket + 1);
}

std::string ErrorBody(const std::string& text) {
    std::string caption = ErrorCaption(text);
    std::string body = text;
    if (caption.empty()) return body;
    for (size_t at = body.find(caption); at != std::string::npos; at = body.find(caption, at))
        body.erase(at, caption.size());
    return body;
}

void ReportError(const std::exception& error) {
    std::string text = error.what();
    std::string caption = ErrorCaption(text);
    std::string body = ErrorBody(text);
    OutputDebugStringA(body.c_str());
    // The system code page is UTF-8.
    MessageBoxW(nullptr, tvp::FromUtf8(body).c_str(), tvp::FromUtf8(caption).c_str(), MB_ICONERROR | MB_OK);
}

void TraceError(const std::exception& error) {
    OutputDebugStringA(error.what());
}

} // namespace MSDE
