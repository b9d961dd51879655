// How the platform and Qt share the window's thread. Posted and sent messages for the thread wake Qt's
// loop (MessagesArrived queues a Pump); a platform loop that waits on the thread (a modal wizard, a
// dialog box) runs Qt's events meanwhile (WaitForMessages), so the window keeps drawing and answering
// while a wizard is open or a worker thread reports progress. News of dialogs may come from any thread;
// the views are made and drawn on the window's thread only.
#include "frontend.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <QPushButton>

#include "help.h"
#include "mainwindow.h"
#include "tvplatform.h"

namespace Desktop {

namespace {

struct Choice {
    QMessageBox::StandardButton button;
    int id;
};

// The buttons of each MB_ type, in the order the box shows them.
std::vector<Choice> ChoicesOf(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {
            {QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL:
        return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default:
        return {{QMessageBox::Ok, IDOK}};
    }
}

// "Backup files (*.bak)\0*.bak\0All files\0*.*\0\0" as Qt's filter list.
QString FiltersOf(const wchar_t* filter) {
    QStringList filters;
    while (filter && *filter) {
        QString name = QString::fromWCharArray(filter);
        filter += name.size() + 1;
        if (!*filter) break;
        QString patterns = QString::fromWCharArray(filter).replace(';', ' ');
        filter += wcslen(filter) + 1;
        filters << (name.contains('(') ? name : name + " (" + patterns + ")");
    }
    return filters.join(";;");
}

} // namespace

CFrontEnd::CFrontEnd(Console::CConsole& console, CMainWindow& window, Headless::CSession* script)
    : m_console(console), m_window(window), m_script(script), m_thread(GetCurrentThreadId()) {
    m_previous = TvSetFrontEnd(this);
    m_console.SetEvents(this);
}

CFrontEnd::~CFrontEnd() {
    TvSetFrontEnd(m_previous);
    m_console.SetEvents(m_script);
}

bool CFrontEnd::OnWindowThread() const {
    return GetCurrentThreadId() == m_thread;
}

// The platform's messages --------------------------------------------------------------------------------

void CFrontEnd::MessagesArrived() {
    m_woken = true;
    if (!m_pumpQueued.exchange(true))
        QMetaObject::invokeMethod(
            &m_receiver, [this] { Pump(); }, Qt::QueuedConnection);
}

void CFrontEnd::Pump() {
    m_pumpQueued = false;
    if (m_waitDepth > 0) return; // the platform's loop that waits takes the messages itself
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Queued: a quit asked for before Qt's loop runs would otherwise be lost.
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    m_window.RefreshSoon(false);
}

void CFrontEnd::WaitForMessages(DWORD milliseconds) {
    ++m_waitDepth;
    bool timedOut = false;
    QTimer limit;
    if (milliseconds != INFINITE) {
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, [&timedOut] { timedOut = true; });
        limit.start(static_cast<int>(std::min<DWORD>(milliseconds, 0x7FFFFFFF)));
    }
    while (!m_woken.exchange(false) && !timedOut)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    --m_waitDepth;
    // Messages a loop left behind when it ended are the window's loop's again.
    if (m_waitDepth == 0)
        QMetaObject::invokeMethod(
            &m_receiver, [this] { Pump(); }, Qt::QueuedConnection);
    m_window.RefreshSoon(false);
}

// Dialogs ------------------------------------------------------------------------------------------------

CDialogView* CFrontEnd::FrontDialog() const {
    for (auto it = m_views.rbegin(); it != m_views.rend(); ++it)
        if (it->second && IsWindowVisible(it->first)) return it->second;
    return nullptr;
}

void CFrontEnd::WindowChanged(HWND window, UINT change) {
    if (m_script) m_script->WindowChanged(window, change);
    if (OnWindowThread()) {
        ShowWindowChange(window, change);
        return;
    }
    QMetaObject::invokeMethod(
        &m_receiver, [this, window, change] { ShowWindowChange(window, change); }, Qt::QueuedConnection);
}

void CFrontEnd::ShowWindowChange(HWND window, UINT change) {
    std::erase_if(m_views, [](const auto& view) { return !view.second; });
    auto viewOf = [&](HWND root) -> CDialogView* {
        for (auto& [handle, view] : m_views)
            if (handle == root) return view;
        return nullptr;
    };
    switch (change) {
    case TVWC_OPENED:
        if (!viewOf(window) && IsWindow(window)) {
            auto* view = new CDialogView(window, &m_window);
            m_views.emplace_back(window, view);
            view->show();
            view->raise();
        }
        break;
    case TVWC_CLOSED:
        for (auto it = m_views.begin(); it != m_views.end(); ++it)
            if (it->first == window) {
                if (it->second) {
                    it->second->hide();
                    it->second->deleteLater();
                }
                m_views.erase(it);
                break;
            }
        m_window.RefreshSoon(true);
        break;
    default: {
        CDialogView* view = viewOf(IsWindow(window) ? GetAncestor(window, GA_ROOT) : nullptr);
        if (!view) break;
        view->SyncSoon();
        // A sheet that hides (a closed modeless sheet waits hidden until the console destroys it).
        if (view->Handle() == window) view->setVisible(IsWindowVisible(window));
        break;
    }
    }
}

void CFrontEnd::SheetBroughtForward(HWND sheet) {
    if (m_script) m_script->SheetBroughtForward(sheet);
    for (auto it = m_views.begin(); it != m_views.end(); ++it)
        if (it->first == sheet && it->second) {
            auto moved = *it;
            m_views.erase(it);
            m_views.push_back(moved);
            moved.second->raise();
            moved.second->activateWindow();
            break;
        }
}

// A person's answers ------------------------------------------------------------------------------------

int CFrontEnd::MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    if (m_script) return m_script->MessageBox(owner, text, caption, type);
    if (OnWindowThread()) return AskPerson(owner, text, caption, type);
    int answer = IDCANCEL;
    QMetaObject::invokeMethod(
        &m_receiver, [&] { answer = AskPerson(owner, text, caption, type); }, Qt::BlockingQueuedConnection);
    return answer;
}

int CFrontEnd::AskPerson(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    QWidget* parent = FrontDialog();
    if (!parent) parent = &m_window;
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromWCharArray(caption));
    box.setText(QString::fromWCharArray(text));
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    std::vector<Choice> choices = ChoicesOf(type);
    for (const Choice& choice : choices)
        box.addButton(choice.button);
    size_t defaultIndex = ((type & MB_DEFMASK) >> 8);
    if (defaultIndex < choices.size()) box.setDefaultButton(choices[defaultIndex].button);
    box.exec();
    for (const Choice& choice : choices)
        if (box.clickedButton() == box.button(choice.button)) return choice.id;
    // Closed without a button: Cancel where the box has one, else its only button.
    for (const Choice& choice : choices)
        if (choice.id == IDCANCEL) return IDCANCEL;
    return choices.size() == 1 ? choices[0].id : IDCANCEL;
}

bool CFrontEnd::ChooseFile(const OPENFILENAMEW& request, bool save, std::wstring& path) {
    if (m_script) return m_script->ChooseFile(request, save, path);
    if (!OnWindowThread()) return false;
    QString title =
        request.lpstrTitle ? QString::fromWCharArray(request.lpstrTitle) : (save ? "Save As" : "Open");
    // The folder and file the program suggests, where a drive-letter path lies under the prefix.
    std::wstring suggested = request.lpstrFile && *request.lpstrFile ? request.lpstrFile : L"";
    std::string start =
        !suggested.empty()
            ? tvp::NativePath(suggested)
            : (request.lpstrInitialDir ? tvp::NativePath(request.lpstrInitialDir) : std::string());
    QWidget* parent = FrontDialog();
    if (!parent) parent = &m_window;
    QString filters = FiltersOf(request.lpstrFilter);
    QString chosen =
        save ? QFileDialog::getSaveFileName(parent, title, QString::fromStdString(start), filters)
             : QFileDialog::getOpenFileName(parent, title, QString::fromStdString(start), filters);
    if (chosen.isEmpty()) return false;
    path = chosen.toStdWString();
    return true;
}

void CFrontEnd::CursorChanged(HCURSOR cursor) {
    if (!OnWindowThread()) return;
    bool wait = cursor && cursor == LoadCursorW(nullptr, IDC_WAIT);
    if (wait == m_waitCursor) return;
    m_waitCursor = wait;
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void CFrontEnd::HelpShown(const std::wstring& topic, const std::wstring& path) {
    if (m_script) {
        m_script->HelpShown(topic, path);
        return;
    }
    ShowHelp(&m_window, QString::fromStdWString(path));
}

} // namespace Desktop
