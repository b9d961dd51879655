// ConsolePtr: one of the console's interfaces queried from another, released when it goes out of
// scope. The framework asks the console for what it needs at each call and holds nothing longer.
#pragma once

#include <string>

#include "mmc.h"

namespace Snapins {

template <class Interface> class ConsolePtr {
public:
    // Null when `from` is null or does not have the interface.
    ConsolePtr(IUnknown* from, REFIID iid) {
        if (from) m_result = from->QueryInterface(iid, reinterpret_cast<void**>(&m_p));
        if (FAILED(m_result)) m_p = nullptr;
    }
    ~ConsolePtr() {
        if (m_p) m_p->Release();
    }
    ConsolePtr(const ConsolePtr&) = delete;
    ConsolePtr& operator=(const ConsolePtr&) = delete;

    Interface* operator->() const { return m_p; }
    Interface* get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // The query's result: E_POINTER when there was nothing to ask.
    HRESULT result() const { return m_result; }

private:
    Interface* m_p = nullptr;
    HRESULT m_result = E_POINTER;
};

// Shows the text in the console's status bar when the console has one (IConsole2).
inline void SetConsoleStatusText(IConsole* console, std::wstring text) {
    ConsolePtr<IConsole2> console2(console, IID_IConsole2);
    if (console2) console2->SetStatusText(text.data());
}

} // namespace Snapins
