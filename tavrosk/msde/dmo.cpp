// dmo_error's shared description and the two reports of a caught failure. The description is taken
// from the thread's error object right after the failed call, since the next failing call on the same
// thread replaces it.
#include "msde/dmo.h"

namespace MSDE {

namespace detail {

namespace {

// Releases a COM pointer when leaving the scope, whatever way that happens.
template <class I> struct Held {
    I* pointer = nullptr;
    ~Held() {
        if (pointer) pointer->Release();
    }
};

} // namespace

DmoMessage* TakeDescription(REFIID iid, IUnknown* object) {
    if (!object) return nullptr;
    Held<ISupportErrorInfo> support;
    if (FAILED(object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support.pointer))) ||
        !support.pointer)
        return nullptr;
    if (support.pointer->InterfaceSupportsErrorInfo(iid) != S_OK) return nullptr;
    Held<IErrorInfo> info;
    if (GetErrorInfo(0, &info.pointer) != S_OK || !info.pointer) return nullptr;
    BSTR description = nullptr;
    if (FAILED(info.pointer->GetDescription(&description))) return nullptr;
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

namespace {

std::wstring Wide(const std::string& text) {
    int count = MultiByteToWideChar(CP_ACP, 0, text.c_str(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(count > 0 ? count : 0), L'\0');
    if (count > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), int(text.size()), wide.data(), count);
    return wide;
}

} // namespace

void ReportError(const std::exception& error) {
    std::string text = error.what();
    std::string caption = ErrorCaption(text);
    std::string body = ErrorBody(text);
    OutputDebugStringA(body.c_str());
    MessageBoxW(nullptr, Wide(body).c_str(), Wide(caption).c_str(), MB_ICONERROR | MB_OK);
}

void TraceError(const std::exception& error) {
    OutputDebugStringA(error.what());
}

} // namespace MSDE
