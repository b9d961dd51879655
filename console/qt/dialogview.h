// A dialog, property sheet or wizard of the platform as the desktop window shows it: every child window
// drawn at its place (dialog units of the template, scaled from the template's font to the font this
// machine draws with), kept up to date from the controls' state when the platform says they changed, and
// a person's input handed to the platform's input entry points, so the controls notify their dialog as
// they do for the headless console.
#pragma once

#include <QWidget>
#include <map>

#include "tvinput.h"

class QTabBar;

namespace Desktop {

class CDialogView : public QWidget {
public:
    explicit CDialogView(HWND dialog, QWidget* owner);
    HWND Handle() const { return m_dialog; }
    // Draws the platform's state again: texts, checks, items, pages, enabled and visible flags.
    void Sync();
    // Sync once the events queued now have run; many changes in a row draw once.
    void SyncSoon();
    // The widget that draws the control with this id: on the sheet's current page, else on the dialog.
    QWidget* ControlWidget(int id) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Entry {
        QWidget* widget = nullptr;
        tvp::Kind kind = tvp::Kind::Window;
        DWORD style = 0;
    };
    void SyncChildren(HWND parent, QWidget* parentWidget, std::map<HWND, Entry>& seen);
    QWidget* Make(const tvp::WindowState& state, QWidget* parent);
    void Update(Entry& entry, const tvp::WindowState& state);
    QRect Scaled(const RECT& rect) const;
    void ComputeScale();
    // After a person's input the platform's state is what counts (a check box that its dialog did not
    // check stays unchecked), so the view is drawn again at once.
    void Input(bool handled);
    void PressButton(int id);

    HWND m_dialog;
    std::map<HWND, Entry> m_entries;
    double m_scaleX = 1, m_scaleY = 1;
    bool m_syncing = false;
    bool m_syncQueued = false;
    QTabBar* m_tabs = nullptr;
    QRect m_header;    // the white band of a wizard's header, empty when it shows none
    QRect m_exterior;  // the white area of a wizard's exterior page
    QRect m_pageFrame; // the frame around a property sheet's pages
};

} // namespace Desktop
