// Runs the desktop window: Qt's application, the console's main window, the front end that joins the
// platform's message loops to Qt's, and, with a script, the headless command language acting on the
// window, with `screenshot FILE` added.
#include "desktop.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QStyleFactory>
#include <fstream>
#include <iostream>
#include <memory>

#include "frontend.h"
#include "images.h"
#include "input.h"
#include "mainwindow.h"
#include "tvplatform.h"

namespace Desktop {

namespace {

const wchar_t kWindowClass[] = L"TavroskDesktopConsole";

// The platform's side of the main window: the window that owns the sheets and dialogs the snap-in
// opens, and that a modal one disables while it runs.
HWND MakeOwnerWindow() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);
    return CreateWindowExW(0, kWindowClass, L"Korvath Console", WS_OVERLAPPEDWINDOW, 0, 0, 900, 560, nullptr,
                           nullptr, nullptr, nullptr);
}

// Writes a picture of the widget as it is drawn now.
bool Screenshot(QWidget* widget, const std::wstring& file, std::wstring* why) {
    for (QAbstractItemView* view : widget->findChildren<QAbstractItemView*>())
        view->doItemsLayout(); // lists lay their rows out lazily
    QPixmap picture = widget->grab();
    if (picture.isNull() || !picture.save(QString::fromStdString(tvp::NativePath(file)), "PNG")) {
        *why = L"cannot write the picture " + file;
        return false;
    }
    return true;
}

} // namespace

int Run(Console::CConsole& console, const std::string& script, bool stopOnError, int argc, char** argv) {
    QApplication app(argc, argv);
    MapDialogFaces();
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setFont(QFont("DejaVu Sans", 9));

    std::unique_ptr<std::istream> input;
    if (!script.empty()) {
        input = std::make_unique<std::ifstream>(script);
        if (!*input) {
            std::fprintf(stderr, "tavrosk-console: cannot read the script %s\n", script.c_str());
            return 2;
        }
    }
    std::unique_ptr<Headless::CSession> session;
    std::unique_ptr<Headless::CCommandWindow> commands;
    HWND owner;
    bool ownWindow = !input;
    if (input) {
        session = std::make_unique<Headless::CSession>(console, std::cout);
        session->SetStopOnError(stopOnError);
        commands = std::make_unique<Headless::CCommandWindow>(*session);
        owner = commands->Handle();
    } else {
        owner = MakeOwnerWindow();
    }
    console.SetMainWindow(owner);
    int status = 0;
    {
        CMainWindow window(console);
        CFrontEnd frontEnd(console, window, session.get());
        // The console opens with its first snap-in's static node selected, as a console document does.
        if (!console.Roots().empty()) console.View().SelectScopeItem(console.Roots().front());
        window.Refresh(true);
        window.show();
        if (session) {
            session->SetCommandRan([&window] { window.RefreshSoon(true); });
            session->AddCommand(L"screenshot",
                                [&](const std::vector<std::wstring>& words, std::wstring* why) {
                                    if (words.size() != 2) {
                                        *why = L"screenshot needs a FILE";
                                        return false;
                                    }
                                    window.Refresh(true);
                                    if (CDialogView* dialog = frontEnd.FrontDialog()) {
                                        dialog->Sync();
                                        return Screenshot(dialog, words[1], why);
                                    }
                                    return Screenshot(&window, words[1], why);
                                });
            Headless::ReadLinesOnThread(
                std::shared_ptr<std::istream>(std::move(input)),
                [mailbox = commands->Mailbox()](const std::string* line) { mailbox->Post(line); });
        }
        frontEnd.MessagesArrived(); // what arrived before the loop runs
        app.exec();
        status = session && session->AnyFailed() ? 1 : 0;
        console.Close(); // the open sheets go while the front end still draws them
    }
    commands.reset();
    session.reset();
    if (ownWindow) DestroyWindow(owner);
    return status;
}

} // namespace Desktop
