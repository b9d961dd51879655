// The desktop console's main window: the scope tree on the left, the result pane on the right (the
// list with the snap-in's columns, or the message view), the Action and View menus and context menus
// built from the snap-in's menu items, the verb buttons, and the status bar with its progress bar. It
// draws the state of the console's first view and turns a person's clicks and keys into the same calls on
// it that the headless console's commands make.
#pragma once

#include <QMainWindow>
#include <map>

#include "console.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QStackedWidget;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace Desktop {

class CMainWindow : public QMainWindow {
public:
    explicit CMainWindow(Console::CConsole& console);

    // Draws the view again. `force` fills the list again even when its rows are the same ones (after a
    // person's or a script's action, which may have changed a cell's text).
    void Refresh(bool force);
    // Refresh once the events queued now have run.
    void RefreshSoon(bool force);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Console::CView& View() { return m_console.View(); }
    void SyncScope(QTreeWidgetItem* parent, const std::vector<HSCOPEITEM>& items);
    void SyncList(bool force);
    void SyncVerbs();
    void SyncStatus();
    QIcon ScopeIcon(HSCOPEITEM item, bool open);
    QIcon RowIcon(const Console::CRow& row);
    // Every person's action runs through here: the console acts, then the window shows its new state.
    template <class F> void Act(F action);
    void ScopeClicked(QTreeWidgetItem* item);
    void RowsPicked();
    void ShowContextMenu(const QPoint& at, QWidget* from);
    void FillMenu(QMenu* menu, bool viewItemsOnly);
    void RunVerb(MMC_CONSOLE_VERB verb);
    void RenameCurrent();
    void DefaultAction();
    void About();

    Console::CConsole& m_console;
    QTreeWidget* m_scope = nullptr;
    QTreeWidget* m_list = nullptr;
    QStackedWidget* m_result = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_custom = nullptr;
    QMenu* m_actionMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QToolBar* m_toolbar = nullptr;
    QAction* m_refresh = nullptr;
    QAction* m_delete = nullptr;
    QAction* m_properties = nullptr;
    QAction* m_rename = nullptr;
    QAction* m_help = nullptr;
    QLabel* m_statusLeft = nullptr;
    QLabel* m_statusMiddle = nullptr;
    QLabel* m_statusRight = nullptr;
    QProgressBar* m_progress = nullptr;
    std::map<HSCOPEITEM, QTreeWidgetItem*> m_scopeItems;
    std::wstring m_listSignature;
    std::vector<int> m_columns; // the list's columns, as indexes into the view's columns
    bool m_updating = false;
    bool m_refreshQueued = false;
    bool m_forceQueued = false;
    std::unique_ptr<Console::CContextMenu> m_menu; // the menu shown now, whose items the actions run
};

} // namespace Desktop
