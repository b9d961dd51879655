// The wizard framework's worker thread and sink connection. A worker holds the module's lock from before
// its thread starts until its last statement, so DllCanUnloadNow never says yes while one runs; a
// worker whose page has gone is joined by the module once it has ended.
#include "snapins/wizard.h"

#include "commctrl.h"
#include "snapins/module.h"
#include "tvplatform.h"

namespace Snapins {

void SetProgress(const CWizardRun& run, int percent) {
    SendMessageW(run.progressBar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

CWorker::~CWorker() {
    if (!m_thread.joinable()) return;
    // A worker still running finishes on its own reference to the record; one that has ended is only
    // returning. Either way the module joins it, and this page's thread goes on at once.
    m_run->cancelled = true;
    KeepWorker(std::move(m_thread));
}

void CWorker::Start(std::shared_ptr<CWizardRun> run, std::function<HRESULT()> work) {
    if (m_thread.joinable()) KeepWorker(std::move(m_thread)); // a page shown twice starts a second run
    m_run = run;
    WorkerStarted();
    m_thread = std::thread([run = std::move(run), work = std::move(work)]() mutable {
        HRESULT apartment = CoInitialize(nullptr);
        HRESULT result = S_OK;
        try {
            result = work();
        } catch (const std::exception& error) {
            // The system code page is UTF-8.
            run->errorText = tvp::FromUtf8(error.what());
            result = E_FAIL;
        } catch (...) {
            OutputDebugStringA("Caught unknown exception");
            result = E_UNEXPECTED;
        }
        // The work's own objects of the object model are gone with it; the apartment can go.
        work = nullptr;
        run->result = result;
        HWND sheet = run->sheetWindow;
        run.reset();
        if (SUCCEEDED(apartment)) CoUninitialize();
        // The finish page reads the outcome once this press has been handled on the console's thread.
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        WorkerEnded();
    });
}

CSinkConnection::CSinkConnection(IUnknown* source, REFIID sinkIid, IUnknown* sink) {
    auto container = tvcom::QueryFrom<IConnectionPointContainer>(source, IID_IConnectionPointContainer);
    if (!container || FAILED(container->FindConnectionPoint(sinkIid, m_point.Receive())) || !m_point) {
        m_point.Reset();
        return;
    }
    if (FAILED(m_point->Advise(sink, &m_cookie))) m_point.Reset();
}

CSinkConnection::~CSinkConnection() {
    if (m_point) m_point->Unadvise(m_cookie);
}

} // namespace Snapins
