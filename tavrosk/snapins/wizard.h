// The wizard framework: one run's record shared by the pages of that run, a progress page that runs the
// wizard's work on a worker thread and presses Next with the outcome, welcome and finish pages, and a
// progress sink for the object model's connection points.
//
// How a wizard is written on it (the Backup, Restore and Register Server wizards are examples):
//  1. Its record: `struct CMyRun : Snapins::CWizardRun { ...what the pages gather... };`.
//  2. Its CreatePages(node, ...) makes one record with std::make_shared and gives it to every page it
//     creates, in the wizard's order; the node keeps the pages and hands their handles to the sheet. So
//     all pages of one run share the record and no two runs ever do.
//  3. Its pages derive from Snapins::CWizardPage<CMyRun> (or CWizardPage<CMyRun, CTwoListPickPage>);
//     they read and write Run() and set the sheet's buttons with SetButtons. The welcome page is a
//     Snapins::CStartPage<CMyRun>.
//  4. Its progress page is (or derives from) Snapins::CProgressPage<CMyRun>, given the id of its progress
//     bar and the work: `HRESULT Work(CMyRun&)`. The work runs on a worker thread in an apartment of its
//     own, makes its own objects of the object model and reaches the pages only by messages
//     (SetProgress, or ConnectProgress for an object of the object model that reports its progress).
//     What it returns is the run's result; a std::exception that escapes it fails the run with its text
//     as the error text. Then the framework stores the outcome in the record and presses Next.
//  5. Its finish page derives from Snapins::CFinishPage<CMyRun> and composes ResultText from
//     Run().result (negative: failed) and Run().errorText.
// Cancel closes the wizard at once. The worker keeps its own reference to the record and runs to its end
// (a work that can stop between steps looks at Cancelled()), its late messages to the gone windows fail
// harmlessly, and it holds the module's lock until it has ended: the console waits for it before it
// unloads the library.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "mmc.h"
#include "ocidl.h"
#include "snapins/basenode.h"
#include "snapins/proppage.h"
#include "tvcom.h"

namespace Snapins {

// What every run's record holds besides its wizard's own fields. The pages write the record before the
// worker starts; the worker writes the outcome and then posts Next, after which the finish page reads it.
struct CWizardRun {
    virtual ~CWizardRun() = default;

    // True once the wizard has been closed under its worker.
    bool Cancelled() const { return cancelled.load(); }

    HWND sheetWindow = nullptr; // the worker presses Next on it when done
    HWND progressBar = nullptr; // the progress page's bar, which the worker moves
    HRESULT result = S_OK;      // the run's outcome; negative when it failed
    std::wstring errorText;     // what the finish page shows of a failure
    std::atomic<bool> cancelled{false};
};

// Moves the run's progress bar to percent; a message sent from the worker, so it waits until the
// console's thread has moved the bar (and fails at once when the bar is gone).
void SetProgress(const CWizardRun& run, int percent);

// The worker thread of one run, owned by the run's progress page. It holds the module's lock while it
// runs. When the page goes first (the wizard was cancelled), the run is marked cancelled and the thread
// is handed to the module, which joins it once it has ended; the page never waits for it.
class CWorker {
public:
    CWorker() = default;
    CWorker(const CWorker&) = delete;
    CWorker& operator=(const CWorker&) = delete;
    ~CWorker();

    // Runs work on a new thread in an apartment of its own, then stores its outcome in run and presses
    // Next on run's sheet.
    void Start(std::shared_ptr<CWizardRun> run, std::function<HRESULT()> work);

private:
    std::thread m_thread;
    std::shared_ptr<CWizardRun> m_run;
};

// A page of a wizard whose runs keep a record of type Record.
template <class Record, class Base = CBasePropPage> class CWizardPage : public Base {
public:
    CWizardPage(CBaseNode* node, std::shared_ptr<Record> run) : Base(node), m_run(std::move(run)) {}

    // The record of the run this page belongs to.
    Record& Run() const { return *m_run; }

protected:
    // Posted: the page may be answering the sheet's own PSN_SETACTIVE.
    void SetButtons(DWORD buttons) { PostMessageW(this->m_sheetWindow, PSM_SETWIZBUTTONS, 0, buttons); }

    std::shared_ptr<Record> m_run;
};

// The welcome page: Next is its only button. With freesNotifyHandle, the node's sheet notification
// handle is given back with it, as the wizards that the node's sheet callback hands one do.
template <class Record> class CStartPage : public CWizardPage<Record> {
public:
    CStartPage(CBaseNode* node, std::shared_ptr<Record> run, bool freesNotifyHandle = false)
        : CWizardPage<Record>(node, std::move(run)), m_freesNotifyHandle(freesNotifyHandle) {}
    ~CStartPage() override {
        if (m_freesNotifyHandle && this->m_node && this->m_node->SheetNotifyHandle())
            MMCFreeNotifyHandle(this->m_node->SheetNotifyHandle());
    }

    INT_PTR OnSetActive(NMHDR* header) override {
        INT_PTR answer = CWizardPage<Record>::OnSetActive(header);
        this->SetButtons(PSWIZB_NEXT);
        return answer;
    }

private:
    bool m_freesNotifyHandle;
};

// The finish page: Finish is its only button, and control resultId shows ResultText, composed when the
// page is made and again each time it is shown (a sheet may make its pages before the run has ended).
template <class Record> class CFinishPage : public CWizardPage<Record> {
public:
    CFinishPage(CBaseNode* node, std::shared_ptr<Record> run, int resultId)
        : CWizardPage<Record>(node, std::move(run)), m_resultId(resultId) {}

    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override {
        INT_PTR answer = CWizardPage<Record>::OnInitDialog(window, focus, param);
        SetDlgItemTextW(window, m_resultId, ResultText().c_str());
        return answer;
    }
    INT_PTR OnSetActive(NMHDR* header) override {
        INT_PTR answer = CWizardPage<Record>::OnSetActive(header);
        this->SetButtons(PSWIZB_FINISH);
        SetDlgItemTextW(this->m_pageWindow, m_resultId, ResultText().c_str());
        return answer;
    }

protected:
    // What the run's outcome says to the person.
    virtual std::wstring ResultText() = 0;

private:
    int m_resultId;
};

// The progress page: on activation it disables every button, notes the sheet and the bar in the record,
// clears the outcome of an earlier pass and starts the worker on the work.
template <class Record> class CProgressPage : public CWizardPage<Record> {
public:
    using Work = HRESULT (*)(Record&);

    CProgressPage(CBaseNode* node, std::shared_ptr<Record> run, int progressBarId, Work work)
        : CWizardPage<Record>(node, std::move(run)), m_progressBarId(progressBarId), m_work(work) {}

    INT_PTR OnSetActive(NMHDR* header) override {
        INT_PTR answer = CWizardPage<Record>::OnSetActive(header);
        this->SetButtons(0);
        Record& run = *this->m_run;
        run.sheetWindow = this->m_sheetWindow;
        run.progressBar = GetDlgItem(this->m_pageWindow, m_progressBarId);
        run.result = S_OK;
        run.errorText.clear();
        m_worker.Start(this->m_run, [record = this->m_run, work = m_work] { return work(*record); });
        return answer;
    }

private:
    int m_progressBarId;
    Work m_work;
    CWorker m_worker;
};

// A sink of the object model's progress events (its backup and restore sinks share these members): it
// moves the run's progress bar to the percent reported.
template <class Sink> class CProgressSink : public tvcom::Object<Sink> {
public:
    explicit CProgressSink(HWND progressBar) : m_progressBar(progressBar) {}

    // Sent, not posted: the worker waits until the console's thread has moved the bar.
    STDMETHODIMP PercentComplete(LPCOLESTR, long percent) override {
        SendMessageW(m_progressBar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
        return S_OK;
    }
    STDMETHODIMP NextMedia(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Complete(LPCOLESTR) override { return S_OK; }

private:
    HWND m_progressBar;
};

// A sink advised on an object's connection point for the sink's interface, for the life of the
// connection; an object without that connection point leaves it unconnected.
class CSinkConnection {
public:
    CSinkConnection(IUnknown* source, REFIID sinkIid, IUnknown* sink);
    CSinkConnection(const CSinkConnection&) = delete;
    CSinkConnection& operator=(const CSinkConnection&) = delete;
    ~CSinkConnection();

    bool Connected() const { return static_cast<bool>(m_point); }

private:
    tvcom::ComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
};

// Connects a new progress sink of interface Sink, for the run's bar, to source for the life of the
// connection.
template <class Sink>
CSinkConnection ConnectProgress(IUnknown* source, REFIID sinkIid, const CWizardRun& run) {
    auto sink = tvcom::Make<CProgressSink<Sink>>(run.progressBar);
    // The connection point keeps the sink's reference that it needs; ours goes with this scope.
    return CSinkConnection(source, sinkIid, static_cast<Sink*>(sink.Get()));
}

} // namespace Snapins
